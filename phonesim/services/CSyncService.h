#pragma once
// "sync:": the file transfer protocol. Requests are an 8-byte header (id,
// little-endian length) and the length's bytes: STAT, LIST, SEND, RECV, QUIT.
// A SEND is followed by DATA records of at most 64 KiB and a DONE that
// carries the modification time; the phone answers OKAY or FAIL.
#include <cstdio>
#include <string>
#include <vector>

#include "phonesim/services/CSimService.h"

namespace phonesim {

class CPhoneFs;
class CSimRecord;

constexpr uint32_t SYNC_DATA_MAX = 64 * 1024;
constexpr uint32_t SYNC_PATH_MAX = 1024;

constexpr uint32_t ID_STAT = 0x54415453;
constexpr uint32_t ID_LIST = 0x5453494c;
constexpr uint32_t ID_SEND = 0x444e4553;
constexpr uint32_t ID_RECV = 0x56434552;
constexpr uint32_t ID_DENT = 0x544e4544;
constexpr uint32_t ID_DONE = 0x454e4f44;
constexpr uint32_t ID_DATA = 0x41544144;
constexpr uint32_t ID_OKAY = 0x59414b4f;
constexpr uint32_t ID_FAIL = 0x4c494146;
constexpr uint32_t ID_QUIT = 0x54495551;

class CSyncService : public CSimService {
 public:
  CSyncService(std::shared_ptr<CAdbStreamLink> link, CPhoneFs* fs, CSimRecord* record);
  ~CSyncService() override;
  void OnData(const uint8_t* data, size_t len) override;
  void OnClose() override;

 private:
  bool Process();  // one step over m_In; false when more bytes are needed
  bool Request(uint32_t id, const std::string& path);
  bool BeginSend(const std::string& rule);
  bool FinishSend(uint32_t mtime);
  void Stat(const std::string& path);
  void List(const std::string& path);
  void Recv(const std::string& path);
  void Fail(const std::string& message);  // FAIL, then the stream ends
  void Reply(uint32_t id, const void* body, size_t len);
  void AbandonSend(const std::string& why);

  CPhoneFs* m_pFs;
  CSimRecord* m_pRecord;
  std::vector<uint8_t> m_In;
  bool m_bDead = false;
  // An open SEND.
  bool m_bSending = false;
  std::string m_strSendPath, m_strSendHost, m_strSendTemp;
  uint32_t m_nSendMode = 0;
  uint64_t m_nSendSize = 0;
  FILE* m_pSendFile = nullptr;
  uint32_t m_nDataLeft = 0;
};

}  // namespace phonesim
