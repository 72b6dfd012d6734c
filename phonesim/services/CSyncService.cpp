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
    : CSimService(std::move(link)), m_fs(fs), m_record(record) {}

CSyncService::~CSyncService() {
  AbandonSend("stream closed before DONE");
}

void CSyncService::OnClose() {
  AbandonSend("stream closed before DONE");
}

void CSyncService::AbandonSend(const std::string& why) {
  if (!m_sending) return;
  m_sending = false;
  if (m_send_file != nullptr) std::fclose(m_send_file);
  m_send_file = nullptr;
  unlink(m_send_temp.c_str());
  SPushRecord r;
  r.path = m_send_path;
  r.mode = m_send_mode;
  r.size = m_send_size;
  r.ok = false;
  r.fail = why;
  m_record->Push(r);
}

void CSyncService::Reply(uint32_t id, const void* body, size_t len) {
  std::vector<uint8_t> out;
  PutLe32(&out, id);
  const auto* b = static_cast<const uint8_t*>(body);
  out.insert(out.end(), b, b + len);
  m_link->Write(out.data(), out.size());
}

void CSyncService::Fail(const std::string& message) {
  std::vector<uint8_t> out;
  PutLe32(&out, ID_FAIL);
  PutLe32(&out, static_cast<uint32_t>(message.size()));
  out.insert(out.end(), message.begin(), message.end());
  m_link->Write(out.data(), out.size());
  AbandonSend(message);
  m_dead = true;
  m_in.clear();
  m_link->Close();
}

void CSyncService::OnData(const uint8_t* data, size_t len) {
  if (m_dead) return;
  m_in.insert(m_in.end(), data, data + len);
  while (!m_dead && Process()) {
  }
}

bool CSyncService::Process() {
  if (m_data_left > 0) {
    if (m_in.empty()) return false;
    size_t n = std::min<size_t>(m_data_left, m_in.size());
    if (m_send_file != nullptr && std::fwrite(m_in.data(), 1, n, m_send_file) != n) {
      std::fclose(m_send_file);
      m_send_file = nullptr;
    }
    m_send_size += n;
    m_data_left -= static_cast<uint32_t>(n);
    m_in.erase(m_in.begin(), m_in.begin() + static_cast<long>(n));
    return true;
  }
  if (m_in.size() < 8) return false;
  uint32_t id = Le32(m_in.data());
  uint32_t arg = Le32(m_in.data() + 4);
  if (m_sending) {
    if (id == ID_DATA) {
      if (arg > SYNC_DATA_MAX) {
        // The record is refused before any of its bytes is read.
        m_record->Violation("sync DATA of " + std::to_string(arg) + " bytes over 64 KiB");
        Fail("oversize data message");
        return false;
      }
      m_in.erase(m_in.begin(), m_in.begin() + 8);
      if (!m_link->Step("sync:DATA")) return false;
      m_data_left = arg;
      return true;
    }
    if (id == ID_DONE) {
      m_in.erase(m_in.begin(), m_in.begin() + 8);
      if (!m_link->Step("sync:DONE")) return false;
      return FinishSend(arg);
    }
    Fail("invalid data message: expected DATA or DONE, got " + IdName(id));
    return false;
  }
  if (id == ID_QUIT) {
    m_in.clear();
    if (!m_link->Step("sync:QUIT")) return false;
    m_dead = true;
    m_link->Close();
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
  if (m_in.size() < 8 + static_cast<size_t>(arg)) return false;
  std::string path(m_in.begin() + 8, m_in.begin() + 8 + arg);
  m_in.erase(m_in.begin(), m_in.begin() + 8 + arg);
  return Request(id, path);
}

bool CSyncService::Request(uint32_t id, const std::string& path) {
  switch (id) {
    case ID_STAT:
      if (!m_link->Step("sync:STAT")) return false;
      Stat(path);
      return true;
    case ID_LIST:
      if (!m_link->Step("sync:LIST")) return false;
      List(path);
      return true;
    case ID_RECV:
      if (!m_link->Step("sync:RECV")) return false;
      Recv(path);
      return !m_dead;
    default:
      if (!m_link->Step("sync:SEND")) return false;
      return BeginSend(path);
  }
}

void CSyncService::Stat(const std::string& path) {
  uint32_t v[3] = {0, 0, 0};
  std::string host;
  struct stat st;
  if (m_fs->Resolve(path, &host) && lstat(host.c_str(), &st) == 0) {
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
  if (m_fs->Resolve(path, &host)) {
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
  m_link->Write(out.data(), out.size());
}

void CSyncService::Recv(const std::string& path) {
  std::string host;
  int fd = -1;
  if (!m_fs->Resolve(path, &host) || (fd = open(host.c_str(), O_RDONLY | O_CLOEXEC)) < 0) {
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
    if (!m_link->Write(out.data(), out.size())) break;
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
  m_send_path = path;
  m_send_mode = mode;
  m_send_size = 0;
  m_sending = true;
  if (!m_fs->Resolve(path, &m_send_host) || !m_fs->MakeParents(path)) {
    m_send_temp.clear();
    Fail("secure_mkdirs failed: " + path);
    return false;
  }
  m_send_temp = m_send_host + ".phonesim-part";
  m_send_file = std::fopen(m_send_temp.c_str(), "wb");
  if (m_send_file == nullptr) {
    Fail("couldn't create file: " + std::string(std::strerror(errno)));
    return false;
  }
  return true;
}

bool CSyncService::FinishSend(uint32_t mtime) {
  bool ok = m_send_file != nullptr;
  if (m_send_file != nullptr && std::fclose(m_send_file) != 0) ok = false;
  m_send_file = nullptr;
  if (ok) ok = chmod(m_send_temp.c_str(), static_cast<mode_t>(m_send_mode & 07777)) == 0;
  if (ok) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(mtime);
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ok = utimensat(AT_FDCWD, m_send_temp.c_str(), times, 0) == 0;
  }
  if (ok) ok = rename(m_send_temp.c_str(), m_send_host.c_str()) == 0;
  if (!ok) {
    Fail("write failed: " + std::string(std::strerror(errno)));
    return false;
  }
  m_sending = false;
  SPushRecord r;
  r.path = m_send_path;
  r.mode = m_send_mode;
  r.mtime = mtime;
  r.size = m_send_size;
  r.ok = true;
  m_record->Push(r);
  uint8_t zero[4] = {0, 0, 0, 0};
  Reply(ID_OKAY, zero, sizeof zero);
  return true;
}

}  // namespace phonesim
