// FreeType and fontconfig behind the GDI's fonts: finds a face for a LOGFONTW face name, keeps the
// faces opened, and the font files added with AddFontResourceW (which are found before anything
// fontconfig knows). Its lock covers the FreeType library (opening and closing faces), fontconfig
// and its tables; glyph work happens under each face's own lock.
#pragma once

#include "platform/gdi/CFontFace.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

class CFontEngine {
 public:
  static CFontEngine& GetInstance();

  // The face for a family name (UTF-8; empty: the system face), preferring the asked style. A
  // name nothing provides gives fontconfig's fallback for it; nullptr only when no face at all
  // can be opened.
  std::shared_ptr<CFontFace> Resolve(const std::string& family, bool bold, bool italic);
  // The face of SYSTEM_FONT: one with CJK glyphs, since the system's texts are Chinese.
  std::shared_ptr<CFontFace> SystemFace();

  // host path; the number of faces it adds (0: not a font file).
  int AddFile(const std::string& path);
  bool RemoveFile(const std::string& path);
  // Tests only: the added files are forgotten.
  void Reset();

  void DoneFace(FT_FaceRec_* face);  // for CFontFace's destructor

 private:
  CFontEngine() = default;
  bool Start();                                                                         // with m_Lock held
  std::shared_ptr<CFontFace> Open(const std::string& path, int index);                  // with m_Lock held
  std::shared_ptr<CFontFace> Match(const std::string& family, bool bold, bool italic);  // with m_Lock held

  std::recursive_mutex m_Lock;  // recursive: a face closed under it comes back through DoneFace
  FT_LibraryRec_* m_pLibrary = nullptr;
  bool m_bStarted = false;
  bool m_bFontconfigDone = false;  // past exit's FcFini
  std::map<std::pair<std::string, int>, std::weak_ptr<CFontFace>> m_Open;
  std::shared_ptr<CFontFace> m_pSystem;
  struct AddedFile {
    std::string m_strPath;
    std::vector<std::shared_ptr<CFontFace>> m_Faces;
  };
  std::vector<AddedFile> m_Added;
};
