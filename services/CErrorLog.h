// CErrorLog: the connect counter in "Connect.log" and the failure lines of "Error.log", both in
// the program's directory. Lines are narrow text in the ANSI code page (GBK on the head units),
// each keeping its own line end; they reach the disk only through Save.
#pragma once

#include "platform/kernel/kernel.h"
#include "platform/kernel/wcetypes.h"

#include <atomic>
#include <list>
#include <string>

// Connection attempts; loaded and saved by the root window, counted up by the sequencer.
extern std::atomic<int> g_nConnectCount;

class CErrorLog {
 public:
  // The lines the system adds, GBK text ending in a blank, CR and LF.
  static constexpr const char* kLineUsbLost =
      "\xC1\xAC\xBD\xD3\xD6\xD0\xCA\xD6\xB6\xAF\xB6\xCF\xBF\xAA \r\n";  // 连接中手动断开
  static constexpr const char* kLineVtscFailed =
      "VTSC \xC6\xF4\xB6\xAF\xCA\xA7\xB0\xDC \r\n";                                       // VTSC 启动失败
  static constexpr const char* kLineForwardFailed = "ADB Forward \xCA\xA7\xB0\xDC \r\n";  // ADB Forward 失败
  static constexpr const char* kLineAppNotInstalled =
      "\xCA\xD6\xBB\xFA\xB6\xCB\xCE\xB4\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2 \r\n";  // 手机端未安装程序
  static constexpr const char* kLineAuthFailed = "\xCA\xDA\xC8\xA8\xCA\xA7\xB0\xDC \r\n";  // 授权失败
  static constexpr const char* kLineNoVideo = "\xCE\xDE\xCA\xD3\xC6\xB5\xCA\xFD\xBE\xDD \r\n";  // 无视频数据

  static const int kMaxLine = 260;  // bytes of a line read from the file, terminator included

  static CErrorLog* GetInstance();
  static void DestroyInstance();

  int ReadConnectCount();
  BOOL WriteConnectCount(int count);

  BOOL Load();
  BOOL Save();
  void AddLine(const char* text);
  void Clear();
  int GetLineCount();
  // The list must not be empty (callers test the count first).
  std::string GetFirstLine();
  // Empty when the walk already stands at the end.
  std::string GetNextLine();
  bool IsAtEnd();
  // The line without its CR LF, from the ANSI code page to UTF-8, at most 259 bytes (cut at a
  // character boundary). False when a conversion failed (`out` unchanged).
  bool LineToUtf8(const std::string& line, std::string& out);

 private:
  CErrorLog();
  ~CErrorLog();
  CErrorLog(const CErrorLog&) = delete;
  CErrorLog& operator=(const CErrorLog&) = delete;

  // The sequencer adds lines while the UI thread walks and clears them: every operation on the
  // list holds m_cs.
  int m_nLineCount = 0;
  std::string m_strLine;
  std::list<std::string> m_Lines;
  std::list<std::string>::iterator m_LineCursor;
  char m_szUtf8[kMaxLine] = {};
  WCHAR m_szLine[kMaxLine] = {};
  CRITICAL_SECTION m_cs;
};
