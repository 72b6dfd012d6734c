// A benchmark run's directory under /tmp: "dir", the head unit program's directory with the link's
// driver and the helper files the program pushes to the phone, and "phone", phonesim's state. It
// also starts phonesim there, the way every whole-stack benchmark wants it.
#pragma once

#include "phonesim/CPhoneSim.h"

#include <filesystem>
#include <string>

class CBenchRoot {
 public:
  CBenchRoot() = default;
  ~CBenchRoot() { Remove(); }
  CBenchRoot(const CBenchRoot&) = delete;
  CBenchRoot& operator=(const CBenchRoot&) = delete;

  // Makes the directory (its name starts with prefix); false with a reason otherwise.
  bool Make(const std::string& prefix, std::string* error);
  // Removes it, unless Keep was called (a failed run's files are worth a look).
  void Remove();
  void Keep() { m_bKeep = true; }

  const std::filesystem::path& Path() const { return m_Path; }
  std::filesystem::path Dir() const { return m_Path / "dir"; }

  // phonesim on an ephemeral port with its state here, at Android level 25: no first helper is
  // needed and the connection goes straight to the app.
  bool StartPhone(phonesim::CPhoneSim& phone, const phonesim::SPhoneAppOptions& app,
                  std::string* error) const;

 private:
  std::filesystem::path m_Path;
  bool m_bKeep = false;
};
