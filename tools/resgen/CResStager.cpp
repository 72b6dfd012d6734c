#include "tools/resgen/CResStager.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/wcestr.h"
#include "platform/kernel/KernelHooks.h"
#include "tools/resgen/CResCanvas.h"
#include "tools/resgen/ResImages.h"
#include "wceui/drawing/WceUiDib.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The three folders of a pack; notes and build files beside them are not packed.
bool IsPackedFile(const fs::path& rel) {
  const fs::path top = *rel.begin();
  return top == "wnd" || top == "res" || top == "language";
}

bool HasPrefix(const std::string& s, const char* pPrefix) {
  return s.rfind(pPrefix, 0) == 0;
}

bool EndsWith(const std::string& s, const char* pSuffix) {
  const size_t n = std::char_traits<char>::length(pSuffix);
  return s.size() >= n && s.compare(s.size() - n, n, pSuffix) == 0;
}

bool WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string Utf16LeWithMark(const std::string& utf8) {
  const std::u16string text = WceUtf8ToWide(utf8);
  std::string out = "\xFF\xFE";
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

// The CE path of a host path below the output root, as the platform's file functions take it.
std::u16string CePath(const std::string& rel) {
  std::string s = rel;
  std::replace(s.begin(), s.end(), '/', '\\');
  return WceUtf8ToWide(s);
}

}  // namespace

CResStager::CResStager(std::string srcDir, std::string outDir, int nWidth, int nHeight, int nBitsPixel)
    : m_strSrcDir(std::move(srcDir)),
      m_strOutDir(std::move(outDir)),
      m_nBitsPixel(nBitsPixel),
      m_Scale(ResScaleForScreen(nWidth, nHeight)) {}

bool CResStager::Run(std::string* pError) {
  if (m_nBitsPixel != 16 && m_nBitsPixel != 32) {
    *pError = "the depth must be 16 or 32 bits";
    return false;
  }
  return StageTexts(pError) && DrawBitmaps(pError);
}

bool CResStager::ConvertText(const std::string& relPath, const std::string& utf8, std::string* pOut,
                             std::string* pError) const {
  std::string text;
  if (EndsWith(relPath, ".xml")) {
    static const std::regex kRectAttr(R"((\b(?:windowrect|src-rect|dst-rect|rect)\s*=\s*")([^"]*)("))",
                                      std::regex::icase);
    auto it = std::sregex_iterator(utf8.begin(), utf8.end(), kRectAttr);
    size_t last = 0;
    for (; it != std::sregex_iterator(); ++it) {
      const std::smatch& m = *it;
      std::string scaled;
      if (!ResScaleRectText(m_Scale, m[2].str(), &scaled)) {
        *pError = relPath + ": \"" + m[2].str() + "\" is not a rectangle x,y,w,h";
        return false;
      }
      text += utf8.substr(last, static_cast<size_t>(m.position(0)) - last);
      text += m[1].str() + scaled + m[3].str();
      last = static_cast<size_t>(m.position(0) + m.length(0));
    }
    text += utf8.substr(last);
  } else if (HasPrefix(relPath, "res/font/")) {
    std::istringstream in(utf8);
    std::string line;
    while (std::getline(in, line)) {
      for (const auto& [key, horizontal] :
           {std::pair<const char*, bool>{"height=", false}, {"width=", true}}) {
        if (HasPrefix(line, key)) {
          const int v = std::atoi(line.c_str() + std::char_traits<char>::length(key));
          line = key + std::to_string(horizontal ? ResScaleX(m_Scale, v) : ResScaleY(m_Scale, v));
        }
      }
      text += line + "\n";
    }
  } else {
    text = utf8;
  }
  *pOut = Utf16LeWithMark(text);
  return true;
}

bool CResStager::StageTexts(std::string* pError) {
  std::error_code ec;
  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(m_strSrcDir, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file()) files.push_back(fs::relative(it->path(), m_strSrcDir));
  }
  if (ec || files.empty()) {
    *pError = "cannot read the resource tree " + m_strSrcDir;
    return false;
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& rel : files) {
    if (!IsPackedFile(rel)) continue;
    std::ifstream in(fs::path(m_strSrcDir) / rel, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string out;
    if (!ConvertText(rel.generic_string(), bytes.str(), &out, pError)) return false;
    if (!WriteBytes(fs::path(m_strOutDir) / rel, out)) {
      *pError = "cannot write " + (fs::path(m_strOutDir) / rel).string();
      return false;
    }
  }
  return true;
}

bool CResStager::DrawBitmaps(std::string* pError) {
  // The framework's BMP writers take CE paths; the output tree is the device root meanwhile.
  const std::string oldRoot = wce::GetRootDir();
  wce::SetRootDir(m_strOutDir);
  bool bOk = true;
  for (const ResImage& image : ResImageTable()) {
    const std::string rel = "res/bitmap/" + image.m_strId;
    fs::create_directories((fs::path(m_strOutDir) / rel).parent_path());
    const CResCanvas canvas = ResDrawImage(image, m_Scale);
    const std::u16string bmp = CePath(rel + ".bmp");
    if (m_nBitsPixel == 32) {
      bOk = Save32BmpFile(bmp.c_str(), canvas.Dib32().data(), canvas.GetWidth(), canvas.GetHeight());
    } else {
      bOk = Save565BmpFile(bmp.c_str(), canvas.Dib565().data(), canvas.GetWidth(), canvas.GetHeight());
      if (bOk && image.m_bAlpha) {
        const std::vector<BYTE> alpha = canvas.AlphaPlane565();
        bOk = WriteBytes(fs::path(m_strOutDir) / (rel + ".alpha"),
                         std::string(reinterpret_cast<const char*>(alpha.data()), alpha.size()));
      }
    }
    if (!bOk) {
      *pError = "cannot write the bitmap " + rel;
      break;
    }
  }
  wce::SetRootDir(oldRoot);
  return bOk;
}
