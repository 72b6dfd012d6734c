#include "phonesim/services/CPhoneFs.h"

#include <sys/stat.h>

#include <cerrno>

namespace phonesim {

namespace {
constexpr size_t kMaxPhonePath = 1024;

bool MakeDir(const std::string& p) {
  return mkdir(p.c_str(), 0755) == 0 || errno == EEXIST;
}
}  // namespace

bool CPhoneFs::SetRoot(const std::string& dir) {
  m_strRoot = dir;
  while (m_strRoot.size() > 1 && m_strRoot.back() == '/') m_strRoot.pop_back();
  for (size_t i = 0; i <= m_strRoot.size(); ++i) {
    if (i == m_strRoot.size() || (m_strRoot[i] == '/' && i > 0)) {
      if (!MakeDir(m_strRoot.substr(0, i))) return false;
    }
  }
  return true;
}

bool CPhoneFs::Resolve(const std::string& phone_path, std::string* host_path) const {
  if (m_strRoot.empty() || phone_path.empty() || phone_path[0] != '/' || phone_path.size() > kMaxPhonePath)
    return false;
  std::string out = m_strRoot;
  size_t i = 0;
  while (i < phone_path.size()) {
    size_t j = phone_path.find('/', i);
    if (j == std::string::npos) j = phone_path.size();
    std::string part = phone_path.substr(i, j - i);
    i = j + 1;
    if (part.empty() || part == ".") continue;
    if (part == ".." || part.find('\0') != std::string::npos) return false;
    out += "/" + part;
  }
  *host_path = out;
  return true;
}

bool CPhoneFs::MakeParents(const std::string& phone_path) const {
  std::string host;
  if (!Resolve(phone_path, &host)) return false;
  for (size_t i = m_strRoot.size() + 1; i < host.size(); ++i)
    if (host[i] == '/' && !MakeDir(host.substr(0, i))) return false;
  return true;
}

}  // namespace phonesim
