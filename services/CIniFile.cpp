#include "services/CIniFile.h"

#include "platform/kernel/wcestr.h"

#include <list>

namespace {

const UINT kReadPiece = 256;  // bytes, 128 UTF-16 units

bool IsComment(const CString& trimmed) {
  return !trimmed.IsEmpty() && (trimmed[0] == u',' || trimmed[0] == u'#');
}

bool IsHeader(const CString& trimmed) {
  return !trimmed.IsEmpty() && trimmed[0] == u'[';
}

// The closing "]" is not tested: the name after "[" only has to begin with the section name.
bool IsHeaderOf(const CString& trimmed, LPCWSTR section) {
  if (!IsHeader(trimmed)) return false;
  CString name = trimmed.Mid(1);
  name.Trim();
  return wcsncmp(name, section, wcslen(section)) == 0 &&
         name.GetLength() >= static_cast<int>(wcslen(section));
}

// A key line: the key name, then (after blanks) "=". The value is what follows, trimmed.
bool MatchKey(const CString& trimmed, LPCWSTR key, CString* value) {
  int keyLength = static_cast<int>(wcslen(key));
  if (IsComment(trimmed) || trimmed.GetLength() < keyLength || wcsncmp(trimmed, key, keyLength) != 0)
    return false;
  CString rest = trimmed.Mid(keyLength);
  rest.TrimLeft();
  if (rest.IsEmpty() || rest[0] != u'=') return false;
  if (value) {
    *value = rest.Mid(1);
    value->Trim();
  }
  return true;
}

CString Trimmed(const CString& line) {
  CString t(line);
  t.Trim();
  return t;
}

}  // namespace

CIniFile::~CIniFile() = default;

void CIniFile::SetFilePath(LPCWSTR newName) {
  CStdioFile::SetFilePath(newName);
}

bool CIniFile::ReadLine(CString& line) {
  line.Empty();
  ULONGLONG start = GetPosition();
  WCHAR piece[kReadPiece / sizeof(WCHAR)];
  bool readAny = false;
  for (;;) {
    UINT got = Read(piece, kReadPiece);
    UINT units = got / sizeof(WCHAR);
    if (units) readAny = true;
    for (UINT i = 0; i < units; ++i) {
      if (piece[i] == u'\n') {
        line.Append(piece, static_cast<int>(i));
        Seek(static_cast<LONGLONG>(start + (static_cast<ULONGLONG>(line.GetLength()) + 1) * sizeof(WCHAR)),
             begin);
        return true;
      }
    }
    line.Append(piece, static_cast<int>(units));
    if (got < kReadPiece) break;
  }
  // The last line may lack its LF.
  return readAny && !line.IsEmpty();
}

BOOL CIniFile::WriteLine(const CString& line) {
  static const WCHAR kLf = u'\n';
  return Write(line.GetString(), static_cast<UINT>(line.GetLength()) * sizeof(WCHAR)) &&
         Write(&kLf, sizeof(kLf));
}

DWORD ReadIniString(LPCWSTR section, LPCWSTR key, LPCWSTR def, LPWSTR buffer, DWORD size, LPCWSTR path) {
  if (!buffer || size == 0) return 0;
  CString result(def);
  if (section && *section && key && *key && path) {
    CIniFile file;
    if (file.Open(path, CFile::modeRead | CFile::typeBinary | CFile::shareDenyNone)) {
      bool inSection = false;
      CString line;
      while (file.ReadLine(line)) {
        CString t = Trimmed(line);
        if (IsComment(t)) continue;
        if (!inSection) {
          inSection = IsHeaderOf(t, section);
          continue;
        }
        if (IsHeader(t)) break;
        CString value;
        if (MatchKey(t, key, &value)) {
          result = value;
          break;
        }
      }
      file.Close();
    }
  }
  DWORD n = static_cast<DWORD>(result.GetLength());
  if (n > size - 1) n = size - 1;
  for (DWORD i = 0; i < n; ++i) buffer[i] = result[static_cast<int>(i)];
  buffer[n] = 0;
  return n;
}

BOOL WriteIniString(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR path) {
  if (!section || !*section || !path || (key && !*key)) return FALSE;
  std::list<CString> lines;
  {
    CIniFile file;
    if (!file.Open(path,
                   CFile::modeReadWrite | CFile::modeCreate | CFile::modeNoTruncate | CFile::typeBinary)) {
      return FALSE;
    }
    CString line;
    while (file.ReadLine(line)) lines.push_back(line);
    file.Close();
  }

  CString keyLine;
  if (key && value) keyLine = CString(key) + u"=" + value + u"\r";
  bool seen = false;
  bool inSection = false;
  bool done = false;
  for (auto it = lines.begin(); it != lines.end() && !done;) {
    CString t = Trimmed(*it);
    if (IsComment(t)) {
      ++it;
      continue;
    }
    if (!inSection) {
      if (IsHeaderOf(t, section)) {
        inSection = seen = true;
        if (!key) {
          it = lines.erase(it);  // the whole section goes, header included
          continue;
        }
      }
      ++it;
      continue;
    }
    if (IsHeader(t)) {
      // The section ends here without the key.
      if (key && value) lines.insert(it, keyLine);
      done = true;
      break;
    }
    if (!key) {
      it = lines.erase(it);
      continue;
    }
    if (MatchKey(t, key, nullptr)) {
      if (value) {
        *it = keyLine;
      } else {
        lines.erase(it);
      }
      done = true;
      break;
    }
    ++it;
  }
  if (!done && key && value) {
    if (!seen) lines.push_back(CString(u"[") + section + u"]\r");
    lines.push_back(keyLine);
  }

  CIniFile file;
  if (!file.Open(path, CFile::modeWrite | CFile::modeCreate | CFile::typeBinary)) return FALSE;
  BOOL ok = TRUE;
  for (const CString& l : lines) ok = file.WriteLine(l) && ok;
  file.Close();
  return ok;
}
