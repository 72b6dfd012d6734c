// The names this process holds on the bus: one lock file per name under <bus>/names, locked with
// flock for as long as the name lives here. The host drops the lock when the process ends however
// it ends, so a crashed first instance never keeps a second one from starting.
#pragma once

#include <map>
#include <mutex>
#include <string>

class CSharedNameTable {
 public:
  static CSharedNameTable& GetInstance();

  bool Claim(const std::u16string& name);
  void Release(const std::u16string& name);

 private:
  CSharedNameTable() = default;

  std::mutex m_Lock;
  std::map<std::u16string, int> m_Held;  // name -> descriptor of its locked file
};
