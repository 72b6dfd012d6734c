#include "bench/CBenchRoot.h"

#include <stdlib.h>

#include <fstream>

namespace fs = std::filesystem;

bool CBenchRoot::Make(const std::string& prefix, std::string* error) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "no temporary directory";
    return false;
  }
  m_Path = pattern;
  m_bKeep = false;
  std::error_code ec;
  fs::create_directories(Dir(), ec);
  fs::create_directories(m_Path / "phone", ec);
  fs::copy_file(KAVLINK_PATH, Dir() / "kavlink.dll", ec);
  if (ec) {
    *error = std::string("cannot copy the driver ") + KAVLINK_PATH;
    return false;
  }
  std::ofstream(Dir() / "vtsc16") << "helper";
  std::ofstream(Dir() / "vtim.jar") << "helper";
  return true;
}

void CBenchRoot::Remove() {
  if (!m_Path.empty() && !m_bKeep) {
    std::error_code ec;
    fs::remove_all(m_Path, ec);
  }
  m_Path.clear();
}

bool CBenchRoot::StartPhone(phonesim::CPhoneSim& phone, const phonesim::SPhoneAppOptions& app,
                            std::string* error) const {
  phonesim::SPhoneSimOptions options;
  options.m_strStateDir = (m_Path / "phone").string();
  options.m_App = app;
  phone.Shell().SetProp("ro.build.version.sdk", "25");
  return phone.Start(options, error);
}
