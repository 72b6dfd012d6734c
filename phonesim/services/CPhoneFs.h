#pragma once
// The phone's file system: a directory on this machine stands for "/".
// Phone paths are absolute and may not climb out of it.
#include <string>

namespace phonesim {

class CPhoneFs {
 public:
  bool SetRoot(const std::string& dir);  // creates it
  const std::string& Root() const { return m_strRoot; }
  // Maps a phone path to a path below the root; false for a relative path,
  // a ".." component or an over-long path.
  bool Resolve(const std::string& phone_path, std::string* host_path) const;
  // Creates the directories above a phone path (like adbd before a SEND).
  bool MakeParents(const std::string& phone_path) const;

 private:
  std::string m_strRoot;
};

}  // namespace phonesim
