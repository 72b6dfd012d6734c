// Writes resource packs in the layout the framework reads (wceui/resfiles/WceUiPackFormat.h), and lists
// the index of one. Used by the mkpack tool and by tests that make their packs at run time.
#pragma once

#include "platform/kernel/wcetypes.h"

#include <cstdio>
#include <map>
#include <string>

class CPackWriter {
 public:
  // Adds one item under its path relative to the pack's folder, with either separator and in any
  // case: the pack stores it in lower case with `\` between folders. False (and a reason) for an
  // empty name, a name that is too long, or one that another item already folds to.
  bool AddItem(const std::u16string& name, const std::string& bytes, std::string* pError);
  // Adds every regular file under the host directory, named by its path below it.
  bool AddDirectory(const std::string& hostDir, std::string* pError);
  // The bytes of the whole pack: header, scrambled index, zlib-compressed items. The stamp is a
  // CRC-32 of the unscrambled index and the items, so a pack with other contents gets another.
  bool Build(LPCWSTR pPassword, std::string* pPack, std::string* pError) const;
  size_t GetCount() const { return m_Items.size(); }

  // Prints the stamp and one line a record ("expanded stored offset name") of the pack, checked
  // the way the framework checks it. False (and a reason) when it would not load.
  static bool List(const std::string& pack, LPCWSTR pPassword, FILE* out, std::string* pError);

 private:
  // Pack name -> contents, in the code-unit order the index must have.
  std::map<std::u16string, std::string> m_Items;
};
