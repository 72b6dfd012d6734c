#include "phonesim/services/CSyncService.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "phonesim/record/CSimRecord.h"
#include "phonesim/services/CPhoneFs.h"

namespace phonesim {

namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void PutLe32(std::vector<uint8_t>* v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v->push_back(static_cast<uint8_t>(x >> (8 * i)));
}
std::string IdName(uint32_t id) {
  char buf[12];
  std::snprintf(buf, sizeof buf, "%08x", id);
  return buf;
}

}  // namespace

CSyncService::CSyncService(std::shared_ptr<CAdbStreamLink> link, CPhoneFs* fs, CSimRecord* record)
    : CSimService(std::move(link)), m_pFs(fs), m_pRecord(record) {}

CSyncService::~CSyncService() {
  AbandonSend("stream closed before DONE");
}

void CSyncService::OnClose() {
  AbandonSend("stream closed before DONE");
}

void CSyncService::AbandonSend(const std::string& why) {
  if (!m_bSending) return;
  m_bSending = false;
  if (m_pSendFile != nullptr) std::fclose(m_pSendFile);
  m_pSendFile = nullptr;
  unlink(m_strSendTemp.c_str());
  SPushRecord r;
  r.m_strPath = m_strSendPath;
  r.m_nMode = m_nSendMode;
  r.m_nSize = m_nSendSize;
  r.m_bOk = false;
  r.m_strFail = why;
  m_pRecord->Push(r);
}

void CSyncService::Reply(uint32_t id, const void* body, size_t len) {
  std::vector<uint8_t> out;
  PutLe32(&out, id);
  const auto* b = static_cast<const uint8_t*>(body);
  out.insert(out.end(), b, b + len);
  m_pLink->Write(out.data(), out.size());
}

void CSyncService::Fail(const std::string& message) {
  std::vector<uint8_t> out;
  PutLe32(&out, ID_FAIL);
  PutLe32(&out, static_cast<uint32_t>(message.size()));
  out.insert(out.end(), message.begin(), message.end());
  m_pLink->Write(out.data(), out.size());
  AbandonSend(message);
  m_bDead = true;
  m_In.clear();
  m_pLink->Close();
}

void CSyncService::OnData(const uint8_t* data, size_t len) {
  if (m_bDead) return;
  m_In.insert(m_In.end(), data, data + len);
  while (!m_bDead && Process()) {
  }
}

bool CSyncService::Process() {
  if (m_nDataLeft > 0) {
    if (m_In.empty()) return false;
    size_t n = std::min<size_t>(m_nDataLeft, m_In.size());
    if (m_pSendFile != nullptr && std::fwrite(m_In.data(), 1, n, m_pSendFile) != n) {
      std::fclose(m_pSendFile);
      m_pSendFile = nullptr;
    }
    m_nSendSize += n;
    m_nDataLeft -= static_cast<uint32_t>(n);
    m_In.erase(m_In.begin(), m_In.begin() + static_cast<long>(n));
    return true;
  }
  if (m_In.size() < 8) return false;
  uint32_t id = Le32(m_In.data());
  uint32_t arg = Le32(m_In.data() + 4);
  if (m_bSending) {
    if (id == ID_DATA) {
      if (arg > SYNC_DATA_MAX) {
        // The record is refused before any of its bytes is read.
        m_pRecord->Violation("sync DATA of " + std::to_string(arg) + " bytes over 64 KiB");
        Fail("oversize data message");
        return false;
      }
      m_In.erase(m_In.begin(), m_In.begin() + 8);
      if (!m_pLink->Step("sync:DATA")) return false;
      m_nDataLeft = arg;
      return true;
    }
    if (id == ID_DONE) {
      m_In.erase(m_In.begin(), m_In.begin() + 8);
      if (!m_pLink->Step("sync:DONE")) return false;
      return FinishSend(arg);
    }
    Fail("invalid data message: expected DATA or DONE, got " + IdName(id));
    return false;
  }
  if (id == ID_QUIT) {
    m_In.clear();
    if (!m_pLink->Step("sync:QUIT")) return false;
    m_bDead = true;
    m_pLink->Close();
    return false;
  }
  if (id != ID_STAT && id != ID_LIST && id != ID_SEND && id != ID_RECV) {
    Fail("unknown command " + IdName(id));
    return false;
  }
  if (arg > SYNC_PATH_MAX) {
    Fail("path too long");
    return false;
  }
  if (m_In.size() < 8 + static_cast<size_t>(arg)) return false;
  std::string path(m_In.begin() + 8, m_In.begin() + 8 + arg);
  m_In.erase(m_In.begin(), m_In.begin() + 8 + arg);
  return Request(id, path);
}

bool CSyncService::Request(uint32_t id, const std::string& path) {
  switch (id) {
    case ID_STAT:
      if (!m_pLink->Step("sync:STAT")) return false;
      Stat(path);
      return true;
    case ID_LIST:
      if (!m_pLink->Step("sync:LIST")) return false;
      List(path);
      return true;
    case ID_RECV:
      if (!m_pLink->Step("sync:RECV")) return false;
      Recv(path);
      return !m_bDead;
    default:
      if (!m_pLink->Step("sync:SEND")) return false;
      return BeginSend(path);
  }
}

void CSyncService::Stat(const std::string& path) {
  uint32_t v[3] = {0, 0, 0};
  std::string host;
  struct stat st;
  if (m_pFs->Resolve(path, &host) && lstat(host.c_str(), &st) == 0) {
    v[0] = static_cast<uint32_t>(st.st_mode);
    v[1] = static_cast<uint32_t>(st.st_size);
    v[2] = static_cast<uint32_t>(st.st_mtime);
  }
  std::vector<uint8_t> body;
  for (uint32_t x : v) PutLe32(&body, x);
  Reply(ID_STAT, body.data(), body.size());
}

void CSyncService::List(const std::string& path) {
  std::string host;
  std::vector<uint8_t> out;
  if (m_pFs->Resolve(path, &host)) {
    if (DIR* d = opendir(host.c_str())) {
      while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        struct stat st;
        if (lstat((host + "/" + name).c_str(), &st) != 0) continue;
        PutLe32(&out, ID_DENT);
        PutLe32(&out, static_cast<uint32_t>(st.st_mode));
        PutLe32(&out, static_cast<uint32_t>(st.st_size));
        PutLe32(&out, static_cast<uint32_t>(st.st_mtime));
        PutLe32(&out, static_cast<uint32_t>(name.size()));
        out.insert(out.end(), name.begin(), name.end());
      }
      closedir(d);
    }
  }
  PutLe32(&out, ID_DONE);
  for (int i = 0; i < 4; ++i) PutLe32(&out, 0);
  m_pLink->Write(out.data(), out.size());
}

void CSyncService::Recv(const std::string& path) {
  std::string host;
  int fd = -1;
  if (!m_pFs->Resolve(path, &host) || (fd = open(host.c_str(), O_RDONLY | O_CLOEXEC)) < 0) {
    Fail(std::strerror(errno != 0 ? errno : ENOENT));
    return;
  }
  std::vector<uint8_t> buf(SYNC_DATA_MAX);
  for (;;) {
    ssize_t n = read(fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    std::vector<uint8_t> out;
    PutLe32(&out, ID_DATA);
    PutLe32(&out, static_cast<uint32_t>(n));
    out.insert(out.end(), buf.begin(), buf.begin() + n);
    if (!m_pLink->Write(out.data(), out.size())) break;
  }
  close(fd);
  uint8_t zero[4] = {0, 0, 0, 0};
  Reply(ID_DONE, zero, sizeof zero);
}

bool CSyncService::BeginSend(const std::string& rule) {
  size_t comma = rule.rfind(',');
  std::string path = rule.substr(0, comma);
  uint32_t mode = 0100644;
  if (comma != std::string::npos) {
    char* end = nullptr;
    std::string m = rule.substr(comma + 1);
    unsigned long v = std::strtoul(m.c_str(), &end, 10);
    if (m.empty() || *end != '\0' || v > 0xffffffffu) {
      Fail("bad file mode");
      return false;
    }
    mode = static_cast<uint32_t>(v);
  }
  m_strSendPath = path;
  m_nSendMode = mode;
  m_nSendSize = 0;
  m_bSending = true;
  if (!m_pFs->Resolve(path, &m_strSendHost) || !m_pFs->MakeParents(path)) {
    m_strSendTemp.clear();
    Fail("secure_mkdirs failed: " + path);
    return false;
  }
  m_strSendTemp = m_strSendHost + ".phonesim-part";
  m_pSendFile = std::fopen(m_strSendTemp.c_str(), "wb");
  if (m_pSendFile == nullptr) {
    Fail("couldn't create file: " + std::string(std::strerror(errno)));
    return false;
  }
  return true;
}

bool CSyncService::FinishSend(uint32_t mtime) {
  bool ok = m_pSendFile != nullptr;
  if (m_pSendFile != nullptr && std::fclose(m_pSendFile) != 0) ok = false;
  m_pSendFile = nullptr;
  if (ok) ok = chmod(m_strSendTemp.c_str(), static_cast<mode_t>(m_nSendMode & 07777)) == 0;
  if (ok) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(mtime);
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ok = utimensat(AT_FDCWD, m_strSendTemp.c_str(), times, 0) == 0;
  }
  if (ok) ok = rename(m_strSendTemp.c_str(), m_strSendHost.c_str()) == 0;
  if (!ok) {
    Fail("write failed: " + std::string(std::strerror(errno)));
    return false;
  }
  m_bSending = false;
  SPushRecord r;
  r.m_strPath = m_strSendPath;
  r.m_nMode = m_nSendMode;
  r.m_nMtime = mtime;
  r.m_nSize = m_nSendSize;
  r.m_bOk = true;
  m_pRecord->Push(r);
  uint8_t zero[4] = {0, 0, 0, 0};
  Reply(ID_OKAY, zero, sizeof zero);
  return true;
}

}  // namespace phonesim
