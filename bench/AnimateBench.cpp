// (l) A window transition between two full-screen 800x480 dialogs (two full-screen bitmaps stand in
// for them) at both depths, each kind of animation as the style file sets it up (12 frames, the
// frame length the style asks for). Per frame: the work of composing it, over the frame length
// (the share of the frame it takes from everything else), and over pixman doing the same frame's
// composite on the same memory (SRC copies of the same strips; for the cross-fade a SRC copy and an
// OVER with a solid mask). Pixman is a peer for timing only.
#include "bench/CBenchReport.h"

#include "platform/kernel/filesys.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"
#include "wceui/base/WceUiGeometry.h"
#include "wceui/styles/CFhStyleFile.h"
#include "wceui/drawing/CWceUiGenericBitmap.h"
#include "wceui/resfiles/WceUiBitmapFiles.h"
#include "wceui/animate/CWceUiWndAnimate.h"

#include <pixman.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {
const int kWidth = 800;
const int kHeight = 480;

// Each kind as a dialog's style file names it, moving to the left.
const char16_t kStyleText[] =
    u"<root><animate>"
    u"<wipe type=\"CWceUiBarnAni\" direction=\"left\" frame-length=\"33\"/>"
    u"<fade type=\"CWceUiBlendAni\" frame-length=\"33\"/>"
    u"<push type=\"CWceUiSliderAni\" direction=\"left\" frame-length=\"33\"/>"
    u"<come type=\"CWceUiComeAni\" direction=\"left\" frame-length=\"33\"/>"
    u"<go type=\"CWceUiGoAni\" direction=\"left\" frame-length=\"33\"/>"
    u"</animate></root>";
const char16_t kStylePath[] = u"\\Bench\\anim.style.xml";

// One SRC copy of columns [from, to) of a picture, drawn at `at`.
struct Strip {
  int m_nPic;  // 0 old, 1 new
  int m_nFrom;
  int m_nTo;
  int m_nAt;
};

// The strips of frame n of N of each kind moving left, after the transition's rule; the cross-fade
// has none.
std::vector<Strip> StripsOf(const std::string& kind, int n, int nFrames) {
  const int W = kWidth;
  if (n + 1 == nFrames) return {{1, 0, W, 0}};
  const int s = CalcAnidisplacement(n, nFrames, W);
  if (kind == "wipe") return {{0, 0, W - s, 0}, {1, W - s, W, W - s}};
  if (kind == "push") return {{0, s, W, 0}, {1, 0, s, W - s}};
  if (kind == "come") return {{0, 0, W - s, 0}, {1, 0, s, W - s}};
  if (kind == "go") return {{0, s, W, 0}, {1, W - s, W, W - s}};
  return {};
}

void WriteStyleFile() {
  std::u16string text(kStyleText);
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  const std::string path = wce::HostPath(kStylePath);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class CAnimateBench {
 public:
  CAnimateBench(int nBits, int nRounds) : m_nBits(nBits), m_nRounds(nRounds) {
    m_pOld.reset(WceUiCreateBitmapObject(nBits));
    m_pNew.reset(WceUiCreateBitmapObject(nBits));
    m_pMixed.reset(WceUiCreateBitmapObject(nBits));
    m_pOld->CreateDIB(kWidth, kHeight);
    m_pNew->CreateDIB(kWidth, kHeight);
    m_pMixed->CreateDIB(kWidth, kHeight);
    // Two different dialogs: a gradient each way.
    for (int x = 0; x < kWidth; x += 8) {
      const RECT rc = {x, 0, x + 8, kHeight};
      m_pOld->FillColor(RGB(x / 4, 255 - x / 4, 64), &rc);
      m_pNew->FillColor(RGB(200, x / 4, 255 - x / 4), &rc);
    }
    const pixman_format_code_t format = nBits == 16 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8;
    const int nPitch = nBits == 16 ? ((kWidth + 1) & ~1) * 2 : kWidth * 4;
    m_pPixOld = Wrap(m_pOld.get(), format, nPitch);
    m_pPixNew = Wrap(m_pNew.get(), format, nPitch);
    m_pPixMixed = Wrap(m_pMixed.get(), format, nPitch);
  }
  ~CAnimateBench() {
    for (pixman_image_t* p : {m_pPixOld, m_pPixNew, m_pPixMixed}) pixman_image_unref(p);
    for (CWceUiGenericBitmap* p : {m_pOld.get(), m_pNew.get(), m_pMixed.get()}) p->ReleaseHBitmap();
  }

  void Run(CWceUiWndAnimate* pAni, const std::string& kind) {
    const int nFrames = pAni->GetFrameCount();
    const double dFrameUs = pAni->GetFrameLength() * 1000.0;
    std::vector<double> oursUs;
    std::vector<double> peerUs;
    pAni->ReStart(m_pMixed.get(), m_pOld.get(), m_pNew.get());
    CBenchReport::TimeInTurns(
        [&] {
          for (int n = 0; n < nFrames; ++n) PlayOurs(pAni, n);
        },
        [&] {
          for (int n = 0; n < nFrames; ++n) PlayPixman(kind, n, nFrames);
        },
        m_nRounds, nFrames, &oursUs, &peerUs);
    const double o = CBenchReport::Median(oursUs);
    const double p = CBenchReport::Median(peerUs);
    const std::string name = kind + "-" + std::to_string(m_nBits) + "bit-800x480";
    CBenchReport::Result("l", "anim/frame-length-" + name, 100.0 * o / dFrameUs, "%frame", "");
    CBenchReport::Result("l", "anim/pixman-" + name, o / p, "ratio", "");
    char line[200];
    std::snprintf(line, sizeof line,
                  "%s %d bits: %.1f us a frame of %d (ours), pixman %.1f us; %.1f%% of a %d ms frame left",
                  kind.c_str(), m_nBits, o, nFrames, p, 100.0 * (1.0 - o / dFrameUs), pAni->GetFrameLength());
    CBenchReport::Note(line);
  }

 private:
  static pixman_image_t* Wrap(CWceUiGenericBitmap* pBmp, pixman_format_code_t format, int nPitch) {
    void* pBits = nullptr;
    pBmp->GetHBitmap(&pBits);
    return pixman_image_create_bits(format, kWidth, kHeight, static_cast<uint32_t*>(pBits), nPitch);
  }

  void PlayOurs(CWceUiWndAnimate* pAni, int n) {
    DWORD dwLength = 0;
    if (!pAni->Play(m_pMixed.get(), m_pOld.get(), m_pNew.get(), n, &dwLength)) std::abort();
  }

  void PlayPixman(const std::string& kind, int n, int nFrames) {
    if (kind == "fade" && n + 1 < nFrames) {
      const int nAlpha = (255 / nFrames) * (n + 1);
      const pixman_color_t mask = {0, 0, 0, static_cast<uint16_t>(nAlpha * 257)};
      pixman_image_t* pMask = pixman_image_create_solid_fill(&mask);
      pixman_image_composite32(PIXMAN_OP_SRC, m_pPixOld, nullptr, m_pPixMixed, 0, 0, 0, 0, 0, 0, kWidth,
                               kHeight);
      pixman_image_composite32(PIXMAN_OP_OVER, m_pPixNew, pMask, m_pPixMixed, 0, 0, 0, 0, 0, 0, kWidth,
                               kHeight);
      pixman_image_unref(pMask);
      return;
    }
    for (const Strip& s : StripsOf(kind == "fade" ? "wipe" : kind, n, nFrames)) {
      pixman_image_composite32(PIXMAN_OP_SRC, s.m_nPic == 0 ? m_pPixOld : m_pPixNew, nullptr, m_pPixMixed,
                               s.m_nFrom, 0, 0, 0, s.m_nAt, 0, s.m_nTo - s.m_nFrom, kHeight);
    }
  }

  int m_nBits;
  int m_nRounds;
  std::unique_ptr<CWceUiGenericBitmap> m_pOld;
  std::unique_ptr<CWceUiGenericBitmap> m_pNew;
  std::unique_ptr<CWceUiGenericBitmap> m_pMixed;
  pixman_image_t* m_pPixOld = nullptr;
  pixman_image_t* m_pPixNew = nullptr;
  pixman_image_t* m_pPixMixed = nullptr;
};
}  // namespace

int main(int argc, char** argv) {
  const int nRounds = argc > 1 ? std::atoi(argv[1]) : 20;
  std::string tmpl = (std::filesystem::temp_directory_path() / "anim-bench-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) return 1;
  wce::SetRootDir(tmpl);
  WriteStyleFile();
  CFhStyleFile file;
  if (!file.LoadStyleFile(kStylePath)) {
    std::fprintf(stderr, "anim bench: the style file did not load\n");
    return 1;
  }
  std::printf("(l) window transitions of 800x480 vs pixman %s, %d rounds of every frame\n",
              pixman_version_string(), nRounds);
  for (int nBits : {16, 32}) {
    CAnimateBench bench(nBits, nRounds);
    for (const char* pKind : {"wipe", "fade", "push", "come", "go"}) {
      const std::u16string name(pKind, pKind + std::char_traits<char>::length(pKind));
      std::unique_ptr<CWceUiWndAnimate> pAni(file.GetWndAnimate(name.c_str()));
      if (pAni == nullptr) return 1;
      bench.Run(pAni.get(), pKind);
    }
  }
  std::filesystem::remove_all(tmpl);
  return 0;
}
