#pragma once
// The fixture of the real program's end-to-end tests: CECorvane and phonesim as child programs
// in a fresh root, the program's console (message lines, `layers`, `screen FILE`) and the phone's
// record as the truth. It is the engine's fixture with CECorvane in the engine's place, so every
// wait and record reader of that fixture works on the program too.
#include "tests/app/EngineE2E.h"
#include "tests/support/BmpFile.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// What the program answers a console command within, on a loaded machine.
constexpr int kReplyMs = 15000;

// One line of `layers`: a shown layer of a running dialog, in window coordinates.
struct SLayer {
  size_t m_nDepth = 0;  // 0 for a dialog, its children one further
  int m_nId = 0;
  std::string m_strName;  // "-" for a layer without a name
  std::string m_strClassName;
  int m_nLeft = 0;
  int m_nTop = 0;
  int m_nRight = 0;
  int m_nBottom = 0;
  bool m_bHasText = false;
  std::string m_strText;  // UTF-8, a line end as "\n"

  int CentreX() const { return (m_nLeft + m_nRight) / 2; }
  int CentreY() const { return (m_nTop + m_nBottom) / 2; }
};

// One answer to `layers`, in the program's order (children follow their parent).
struct SLayers {
  std::vector<SLayer> m_Layers;

  // The first shown layer with this name, or nullptr.
  const SLayer* Find(const std::string& name) const;
  // The first shown layer with this name below the first shown layer named `parent`.
  const SLayer* FindIn(const std::string& parent, const std::string& name) const;
  bool Shown(const std::string& name) const { return Find(name) != nullptr; }
  // The running dialogs' class names, bottom first.
  std::vector<std::string> Dialogs() const;
};

// Parses the lines of one `layers` answer (without its "end"); false at a line that is not a layer.
bool ParseLayer(const std::string& line, SLayer* out);

// The display's pixels from a `screen` file, at 16 (565) or 32 bits.
using SScreen = SBmpFile;

// Copies the program's packs and font, which the build writes beside it, into a directory.
void CopyProgramFiles(const std::filesystem::path& dir);

class ProgramE2E : public EngineE2E {
 protected:
  // EngineE2E's root, with the program's packs and font in its directory and its log kept.
  void SetUp() override;

  // Starts CECorvane (options: --screen, --bpp, the program's words) in the root, on the shared
  // bus when m_sharedBus, with the phone started before (none when none was), and waits until its
  // screen runs (`layers` answered). Connect() starts the program through it too.
  void StartEngine(const std::vector<std::string>& options = {}) override;
  void StartProgram(const std::vector<std::string>& options = {}) { StartEngine(options); }

  // One console line.
  bool Send(const std::string& line) { return m_Engine.Write(line + "\n"); }
  // Asks `layers` and reads its answer.
  bool Layers(SLayers* out, int ms = kReplyMs);
  // Asks `layers` until `done` holds of the answer or ms passed; the last answer in *last.
  bool WaitForLayers(const std::function<bool(const SLayers&)>& done, int ms, SLayers* last = nullptr);
  // Asks `screen` for a file of this name in the root and reads it.
  bool Screen(const std::string& name, SScreen* out, int ms = kReplyMs);
  // A person's touch through the window: down, then up, at the centre of a layer.
  bool Tap(const SLayer& layer);
  // Taps the waiting screen's help button once the start-up logo, which lies over the whole screen
  // for its first second and takes every touch, is gone.
  bool TapHelpButton();
  // corvane-post in the program's root and bus; its exit status, or -1 when it did not end.
  int Post(const std::vector<std::string>& args, int ms = kReplyMs);
  // Whether the program's root window is shown, read from its window list on the bus.
  bool RootWindowShown() const;
  // Starts the program a second time with these arguments and environment: it must exit 0 and
  // write nothing, and what it asked of the first must have reached it before a later post over
  // the bus (ping number `ping`). Fatal on failure (use ASSERT_NO_FATAL_FAILURE).
  void SecondStart(const std::vector<std::string>& args, const std::vector<std::string>& env, int ping);

  // The program joins the shared bus under its root (a second start, corvane-post).
  bool m_bSharedBus = true;
};

}  // namespace e2e
