#include "platform/gdi/CFontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <strings.h>

namespace {
// The system font's face: CJK glyphs; fontconfig's choice for Chinese text when it is missing.
const char kSystemFamily[] = "WenQuanYi Micro Hei";
const char kSystemLanguage[] = "zh-cn";

bool SameFamily(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

// How far a face's style is from the one asked for (0: the same).
int StyleDistance(const CFontFace& face, bool bold, bool italic) {
  return (face.IsBold() != bold ? 2 : 0) + (face.IsItalic() != italic ? 1 : 0);
}
}  // namespace

CFontEngine& CFontEngine::GetInstance() {
  // Never destroyed: fonts selected into DCs may outlive main's objects.
  static CFontEngine* instance = new CFontEngine();
  return *instance;
}

bool CFontEngine::Start() {
  if (m_bStarted) return m_pLibrary != nullptr;
  m_bStarted = true;
  FcInit();
  // fontconfig keeps tables that only FcFini frees; at exit they go, under the lock, and no match
  // is asked after that.
  std::atexit([] {
    CFontEngine& engine = GetInstance();
    std::lock_guard<std::recursive_mutex> lock(engine.m_Lock);
    FcFini();
    engine.m_bFontconfigDone = true;
  });
  if (FT_Init_FreeType(&m_pLibrary) != 0) m_pLibrary = nullptr;
  return m_pLibrary != nullptr;
}

void CFontEngine::DoneFace(FT_FaceRec_* face) {
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  FT_Done_Face(face);
}

std::shared_ptr<CFontFace> CFontEngine::Open(const std::string& path, int index) {
  const auto key = std::make_pair(path, index);
  auto it = m_Open.find(key);
  if (it != m_Open.end()) {
    if (std::shared_ptr<CFontFace> face = it->second.lock()) return face;
  }
  FT_Face face = nullptr;
  if (!Start() || FT_New_Face(m_pLibrary, path.c_str(), index, &face) != 0) return nullptr;
  if ((face->face_flags & FT_FACE_FLAG_SCALABLE) == 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  auto opened = std::make_shared<CFontFace>(face, path, index);
  m_Open[key] = opened;
  return opened;
}

std::shared_ptr<CFontFace> CFontEngine::Match(const std::string& family, bool bold, bool italic) {
  if (!Start() || m_bFontconfigDone) return nullptr;
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return nullptr;
  if (!family.empty())
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  if (family.empty() || SameFamily(family, kSystemFamily)) {
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(kSystemLanguage));
  }
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return nullptr;
  FcChar8* file = nullptr;
  int index = 0;
  std::shared_ptr<CFontFace> face;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    face = Open(reinterpret_cast<const char*>(file), index);
  }
  FcPatternDestroy(match);
  return face;
}

std::shared_ptr<CFontFace> CFontEngine::SystemFace() {
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  if (!m_pSystem) m_pSystem = Match(kSystemFamily, false, false);
  return m_pSystem;
}

std::shared_ptr<CFontFace> CFontEngine::Resolve(const std::string& family, bool bold, bool italic) {
  if (family.empty()) return SystemFace();
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  std::shared_ptr<CFontFace> best;
  for (const AddedFile& file : m_Added) {
    for (const std::shared_ptr<CFontFace>& face : file.m_Faces) {
      if (!SameFamily(face->Family(), family)) continue;
      if (!best || StyleDistance(*face, bold, italic) < StyleDistance(*best, bold, italic)) best = face;
    }
  }
  if (best) return best;
  std::shared_ptr<CFontFace> matched = Match(family, bold, italic);
  if (matched) return matched;
  if (!m_pSystem) m_pSystem = Match(kSystemFamily, false, false);
  return m_pSystem;
}

int CFontEngine::AddFile(const std::string& path) {
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  if (!Start()) return 0;
  FT_Face probe = nullptr;
  if (FT_New_Face(m_pLibrary, path.c_str(), -1, &probe) != 0) return 0;
  const long count = probe->num_faces;
  FT_Done_Face(probe);
  AddedFile added{path, {}};
  for (long index = 0; index < count; ++index) {
    std::shared_ptr<CFontFace> face = Open(path, static_cast<int>(index));
    if (face && !face->Family().empty()) added.m_Faces.push_back(face);
  }
  if (added.m_Faces.empty()) return 0;
  const int faces = static_cast<int>(added.m_Faces.size());
  m_Added.push_back(std::move(added));
  return faces;
}

bool CFontEngine::RemoveFile(const std::string& path) {
  std::vector<std::shared_ptr<CFontFace>> released;  // closed after the lock is left
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  for (auto it = m_Added.begin(); it != m_Added.end(); ++it) {
    if (it->m_strPath != path) continue;
    released.swap(it->m_Faces);
    m_Added.erase(it);
    return true;
  }
  return false;
}

void CFontEngine::Reset() {
  std::vector<AddedFile> released;
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  released.swap(m_Added);
}
