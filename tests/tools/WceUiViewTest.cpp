// wceui-view run as a program on a dialog written here: the screen it writes, pixel for pixel at both
// depths, from the rectangles and colours of the dialog's styles; the layer tree it prints; the
// same read from packs; the desktop window under an Xvfb of the test's own, ended by Escape; and one
// line with a failing exit code for each kind of bad argument or file.
#include "tests/support/BmpFile.h"
#include "tests/support/Child.h"
#include "tools/mkpack/CPackWriter.h"
#include "tests/platform/user/CXvfb.h"
#include "tests/wceui/support/WceUiTestFiles.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 24;
constexpr int kHeight = 12;
// Long enough for a loaded machine; a tool that hangs is killed and fails the test.
constexpr int kRunTimeoutMs = 60000;

struct ToolRun {
  int nExit = -1;
  std::string out;
  std::string err;
};

// The tool running, its stdout and stderr read as they come.
class CToolProcess {
 public:
  // pDisplay: the X display of the desktop window, or none.
  bool Start(const std::vector<std::string>& args, const char* pDisplay = nullptr) {
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0) return false;
    if (pipe(errPipe) != 0) {
      close(outPipe[0]);
      close(outPipe[1]);
      return false;
    }
    std::vector<std::string> sanitizers = e2e::SanitizerEnvironment();
    m_pid = fork();
    if (m_pid == 0) {
      for (std::string& e : sanitizers) putenv(e.data());
      dup2(outPipe[1], 1);
      dup2(errPipe[1], 2);
      close(outPipe[0]);
      close(errPipe[0]);
      std::vector<char*> argv = {const_cast<char*>(WCEUI_VIEW_PATH)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      // The tool picks its display itself; an inherited desktop display must not change that.
      unsetenv("CORVANE_DISPLAY");
      if (pDisplay != nullptr) setenv("DISPLAY", pDisplay, 1);
      execv(WCEUI_VIEW_PATH, argv.data());
      _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    m_fds[0] = {outPipe[0], POLLIN, 0};
    m_fds[1] = {errPipe[0], POLLIN, 0};
    return m_pid > 0;
  }
  // Reads until stderr holds the text; false when the tool ends or the time runs out first.
  bool ReadUntil(const std::string& text) {
    while (m_run.err.find(text) == std::string::npos) {
      if (!ReadSome()) return false;
    }
    return true;
  }
  // Reads until the tool closes both, then reaps it.
  ToolRun Finish() {
    while (ReadSome()) {
    }
    for (pollfd& f : m_fds) {
      if (f.fd >= 0) close(f.fd);
      f.fd = -1;
    }
    int status = 0;
    const bool bReaped = m_pid > 0 && waitpid(m_pid, &status, 0) == m_pid;
    m_pid = -1;
    m_run.nExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (bReaped) {
      EXPECT_EQ(e2e::SanitizerReport(m_run.err), "")
          << "wceui-view's standard error holds a sanitizer report";
    }
    return m_run;
  }
  ~CToolProcess() {
    if (m_pid > 0) kill(m_pid, SIGKILL);
    Finish();
  }

 private:
  // One read from whichever pipe has data; false when both are closed or nothing came in time
  // (the tool is then killed).
  bool ReadSome() {
    if (m_fds[0].fd < 0 && m_fds[1].fd < 0) return false;
    if (poll(m_fds, 2, kRunTimeoutMs) <= 0) {
      if (m_pid > 0) kill(m_pid, SIGKILL);
      for (pollfd& f : m_fds) {
        if (f.fd >= 0) close(f.fd);
        f.fd = -1;
      }
      return false;
    }
    std::string* sinks[2] = {&m_run.out, &m_run.err};
    for (int i = 0; i < 2; ++i) {
      if (m_fds[i].fd < 0 || m_fds[i].revents == 0) continue;
      char buf[4096];
      const ssize_t n = read(m_fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<size_t>(n));
      } else {
        close(m_fds[i].fd);
        m_fds[i].fd = -1;
      }
    }
    return true;
  }

  pid_t m_pid = -1;
  pollfd m_fds[2] = {{-1, POLLIN, 0}, {-1, POLLIN, 0}};
  ToolRun m_run;
};

ToolRun RunView(const std::vector<std::string>& args) {
  CToolProcess tool;
  if (!tool.Start(args)) return ToolRun();
  return tool.Finish();
}

void PutText(const std::filesystem::path& path, const std::u16string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << WceUiTextBytes(text);
}

// The colour the screen holds for 0xRRGGBB at a depth: 565 keeps the top bits of each channel.
uint32_t AtDepth(uint32_t rgb, int nBits) {
  if (nBits == 32) return rgb;
  const uint32_t r = (rgb >> 16) & 0xFF;
  const uint32_t g = (rgb >> 8) & 0xFF;
  const uint32_t b = rgb & 0xFF;
  return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
}

class WceUiViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "wceui-view-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_dir = tmpl;
    // The dialog's class is no class of the framework, so the tool draws it as a plain dialog.
    PutText(m_dir / "wnd" / "screens" / "CViewDlg.dlg.xml",
            u"<dialog><body name=\"view\" windowrect=\"0,0,24,12\" style=\"back\">"
            u"<l type=\"CWceUiLayer\" name=\"red\" style=\"red\"/>"
            u"<l type=\"CWceUiLayer\" name=\"box\" style=\"box\">"
            u"<l type=\"CWceUiLayer\" name=\"green\" style=\"green\"/></l>"
            u"<l type=\"CWceUiLayer\" name=\"hidden\" style=\"hidden\"/>"
            u"</body></dialog>");
    PutText(m_dir / "wnd" / "screens" / "CViewDlg.style.xml",
            u"<root><style>"
            u"<back><position rect=\"0,0,24,12\"/><background color=\"0x102030\"/></back>"
            u"<red><position rect=\"2,1,5,3\"/><background color=\"0xE01008\"/></red>"
            u"<box><position rect=\"8,2,10,8\"/><layout container=\"true\"/></box>"
            u"<green><position rect=\"1,1,4,2\" way=\"relative\"/><background color=\"0x20C040\"/></green>"
            u"<hidden><position rect=\"20,8,3,3\"/><layout visibility=\"false\"/>"
            u"<background color=\"0xFFFFFF\"/></hidden>"
            u"</style></root>");
    std::filesystem::create_directories(m_dir / "res");
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }

  std::vector<std::string> Args(int nBits) const {
    return {"--wnd",
            (m_dir / "wnd").string(),
            "--res",
            (m_dir / "res").string(),
            "--screen",
            std::to_string(kWidth) + "x" + std::to_string(kHeight),
            "--bpp",
            std::to_string(nBits),
            "screens\\CViewDlg"};
  }

  std::filesystem::path m_dir;
};

TEST_F(WceUiViewTest, WritesTheScreenAtBothDepths) {
  struct Box {
    int l, t, r, b;
    uint32_t rgb;
  };
  // Front-most last: the body, the red layer, the green child of the container at the container's
  // corner plus its own offset. The hidden layer and the container draw nothing.
  const Box boxes[] = {{0, 0, 24, 12, 0x102030}, {2, 1, 7, 4, 0xE01008}, {9, 3, 13, 5, 0x20C040}};
  for (int nBits : {16, 32}) {
    SCOPED_TRACE(nBits);
    const std::filesystem::path out = m_dir / ("screen" + std::to_string(nBits) + ".bmp");
    std::vector<std::string> args = Args(nBits);
    args.insert(args.end(), {"--out", out.string()});
    const ToolRun run = RunView(args);
    ASSERT_EQ(run.nExit, 0) << run.err;
    SBmpFile bmp;
    ASSERT_TRUE(ReadBmpFile(out, &bmp));
    EXPECT_EQ(bmp.width, kWidth);
    EXPECT_EQ(bmp.height, kHeight);
    EXPECT_FALSE(bmp.topDown);
    EXPECT_EQ(bmp.bpp, nBits);
    int nWrong = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        uint32_t rgb = 0;
        for (const Box& b : boxes) {
          if (x >= b.l && x < b.r && y >= b.t && y < b.b) rgb = b.rgb;
        }
        const uint32_t got = bmp.Stored(x, y);
        if (got != AtDepth(rgb, nBits) && ++nWrong <= 5) {
          ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << got << ", not "
                        << AtDepth(rgb, nBits);
        }
      }
    }
    EXPECT_EQ(nWrong, 0);
  }
}

TEST_F(WceUiViewTest, PrintsTheLayerTree) {
  std::vector<std::string> args = Args(32);
  args.push_back("--layers");
  const ToolRun run = RunView(args);
  ASSERT_EQ(run.nExit, 0) << run.err;
  // Ids in creation order after the root body's 1; a child one step further in; window rectangles
  // as left, top, right, bottom.
  EXPECT_EQ(run.out,
            "2 CWceUiDlg \"view\" 0,0,24,12 shown=1 enabled=1 container=0\n"
            "  3 CWceUiLayer \"red\" 2,1,7,4 shown=1 enabled=1 container=0\n"
            "  4 CWceUiLayer \"box\" 8,2,18,10 shown=1 enabled=1 container=1\n"
            "    5 CWceUiLayer \"green\" 9,3,13,5 shown=1 enabled=1 container=0\n"
            "  6 CWceUiLayer \"hidden\" 20,8,23,11 shown=0 enabled=1 container=0\n");
}

TEST_F(WceUiViewTest, ShowsTheDialogInTheDesktopWindowUntilEscape) {
  CXvfb xvfb;
  std::string why;
  const std::string display = xvfb.Start(&why);
  if (display.empty()) GTEST_SKIP() << "skipped: " << why;
  std::vector<std::string> args = Args(32);
  args.push_back("--window");
  CToolProcess tool;
  ASSERT_TRUE(tool.Start(args, display.c_str()));
  ASSERT_TRUE(tool.ReadUntil("Escape in the window closes it")) << tool.Finish().err;

  // The desktop window, at the X screen's corner, shows the dialog: the red layer on the body.
  Display* x = XOpenDisplay(display.c_str());
  ASSERT_NE(x, nullptr);
  XImage* image = XGetImage(x, DefaultRootWindow(x), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(XGetPixel(image, 3, 2) & 0xFFFFFF, 0xE01008u);
  EXPECT_EQ(XGetPixel(image, 1, 2) & 0xFFFFFF, 0x102030u);
  XDestroyImage(image);

  // Escape typed into the window, which has the focus as a window manager would give it.
  Window root = 0;
  Window parent = 0;
  Window* pChildren = nullptr;
  unsigned int nChildren = 0;
  ASSERT_TRUE(XQueryTree(x, DefaultRootWindow(x), &root, &parent, &pChildren, &nChildren));
  ASSERT_EQ(nChildren, 1u) << "the desktop window alone";
  XSetInputFocus(x, pChildren[0], RevertToParent, CurrentTime);
  XFree(pChildren);
  XTestFakeMotionEvent(x, -1, 12, 6, CurrentTime);
  const KeyCode escape = XKeysymToKeycode(x, XK_Escape);
  XTestFakeKeyEvent(x, escape, True, CurrentTime);
  XTestFakeKeyEvent(x, escape, False, CurrentTime);
  XSync(x, False);
  XCloseDisplay(x);
  const ToolRun run = tool.Finish();
  EXPECT_EQ(run.nExit, 0) << run.err;
}

TEST_F(WceUiViewTest, ReadsPacksWithTheirPassword) {
  const std::string kTree = "2 CWceUiDlg \"view\" 0,0,24,12 shown=1 enabled=1 container=0\n";
  for (const char* pDir : {"wnd", "res"}) {
    CPackWriter writer;
    std::string error;
    std::string pack;
    ASSERT_TRUE(writer.AddDirectory((m_dir / pDir).string(), &error)) << error;
    ASSERT_TRUE(writer.Build(u"secret", &pack, &error)) << error;
    std::ofstream(m_dir / (std::string(pDir) + ".pack"), std::ios::binary) << pack;
  }
  std::vector<std::string> args = Args(32);
  args[1] = (m_dir / "wnd.pack").string();
  args[3] = (m_dir / "res.pack").string();
  args.insert(args.end(), {"--layers", "--password", "secret"});
  ToolRun run = RunView(args);
  ASSERT_EQ(run.nExit, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, kTree.size()), kTree);

  args.back() = "guess";
  run = RunView(args);
  EXPECT_NE(run.nExit, 0);
  EXPECT_EQ(run.err.find("wceui-view: the dialog screens\\CViewDlg was not built: "), 0u) << run.err;
  EXPECT_NE(run.err.find("wrong password"), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

// The rectangle of the layer named `name` in a printed layer tree; false when it is not there.
struct SRect {
  int left, top, right, bottom;
};
bool LayerRect(const std::string& tree, const std::string& name, SRect* pRect) {
  const size_t at = tree.find(" \"" + name + "\" ");
  if (at == std::string::npos) return false;
  SRect rc = {};
  if (std::sscanf(tree.c_str() + at + name.size() + 4, "%d,%d,%d,%d", &rc.left, &rc.top, &rc.right,
                  &rc.bottom) != 4)
    return false;
  *pRect = rc;
  return true;
}

// The program's own dialogs from the packs the build makes beside it, named as the program names
// them (a folder inside the pack): each is built with its own class and the application's widgets,
// every file, bitmap, colour and text it names is found, and its title is drawn from the pack's
// language file.
TEST(WceUiViewProgramPacks, DrawsEachDialogOfEachPack) {
  const struct {
    const char* pPack;
    int nWidth, nHeight, nBits;
  } packs[] = {{"corvane_res.pack", 800, 480, 32},
               {"cecorvane_xxh.pack", 1024, 600, 32},
               {"cecorvane_16_res.pack", 800, 480, 16},
               {"cecorvane_16_xxh.pack", 1024, 600, 16}};
  const struct {
    const char* pDialog;
    const char* pTitle;  // a text layer of the dialog's first look, in the pack's text colour
  } dialogs[] = {{"CMainDlg", "logo_text"}, {"CHelpDlg", "help_sel_title"}, {"CPhoneDlg", "phone_title"}};
  const std::filesystem::path bin = CORVANE_BIN_DIR;
  std::string tmpl = (std::filesystem::temp_directory_path() / "wceui-view-packs-XXXXXX").string();
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  const std::filesystem::path dir = tmpl;
  for (const auto& pack : packs) {
    const std::string at = (bin / pack.pPack).string() + "\\";
    for (const auto& dlg : dialogs) {
      SCOPED_TRACE(std::string(pack.pPack) + " " + dlg.pDialog);
      const std::filesystem::path out = dir / (std::string(dlg.pDialog) + ".bmp");
      const ToolRun run =
          RunView({"--wnd", at + "wnd", "--res", at + "res", "--lang", at + "language\\ChineseGB.ini",
                   "--password", CORVANE_PACK_PASSWORD, "--screen",
                   std::to_string(pack.nWidth) + "x" + std::to_string(pack.nHeight), "--bpp",
                   std::to_string(pack.nBits), dlg.pDialog, "--out", out.string(), "--layers"});
      ASSERT_EQ(run.nExit, 0) << run.err;
      EXPECT_EQ(run.err, "");
      const std::string body = "2 " + std::string(dlg.pDialog) + " \"" + dlg.pDialog + "\" 0,0," +
                               std::to_string(pack.nWidth) + "," + std::to_string(pack.nHeight) + " shown=1";
      EXPECT_EQ(run.out.substr(0, body.size()), body);
      if (std::string(dlg.pDialog) == "CMainDlg") {
        for (const char* pWidget : {" CWceLoading \"LOADING\" ", " CWceResProgress \"RESPROGRESS\" "})
          EXPECT_NE(run.out.find(pWidget), std::string::npos) << pWidget;
      }
      SBmpFile bmp;
      ASSERT_TRUE(ReadBmpFile(out, &bmp));
      ASSERT_EQ(bmp.width, pack.nWidth);
      ASSERT_EQ(bmp.height, pack.nHeight);
      ASSERT_EQ(bmp.bpp, pack.nBits);
      SRect rc = {};
      ASSERT_TRUE(LayerRect(run.out, dlg.pTitle, &rc)) << run.out;
      // The glyphs' cores are the pack's main text colour; the ground around them is dark.
      int nText = 0;
      for (int y = std::max(rc.top, 0); y < std::min(rc.bottom, bmp.height); ++y) {
        for (int x = std::max(rc.left, 0); x < std::min(rc.right, bmp.width); ++x)
          nText += bmp.Stored(x, y) == AtDepth(0xFFFFFF, pack.nBits) ? 1 : 0;
      }
      EXPECT_GT(nText, 100) << dlg.pTitle << " holds no text";
      std::filesystem::remove(out);
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

TEST_F(WceUiViewTest, RefusesWithOneLine) {
  PutText(m_dir / "wnd" / "CBroken.dlg.xml", u"<d><body><l type=\"CNoSuchLayer\"/></body></d>");
  PutText(m_dir / "wnd" / "CBroken.style.xml", u"<root><style/></root>");
  const std::string wnd = (m_dir / "wnd").string();
  const std::string res = (m_dir / "res").string();
  const std::string out = (m_dir / "x.bmp").string();
  struct Case {
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {{"--res", res, "--screen", "24x12", "--bpp", "32", "CViewDlg", "--out", out}, "--wnd is missing"},
      {{"--wnd", wnd, "--res", res, "--screen", "24x12", "--bpp", "24", "CViewDlg", "--out", out},
       "--bpp wants 16 or 32, not 24"},
      {{"--wnd", wnd, "--res", res, "--screen", "0x12", "--bpp", "32", "CViewDlg", "--out", out},
       "--screen wants WIDTHxHEIGHT, not 0x12"},
      {{"--wnd", wnd, "--res", res, "--screen", "24x12", "--bpp", "32", "CViewDlg"},
       "nothing to do: give --out, --layers or --window"},
      {{"--wnd", wnd, "--res", res, "--screen", "24x12", "--bpp", "32", "CViewDlg", "--out", out, "--zoom"},
       "unknown option --zoom"},
      {{"--wnd", wnd + "/nowhere", "--res", res, "--screen", "24x12", "--bpp", "32", "CViewDlg", "--out",
        out},
       "the window directory " + wnd + "/nowhere does not exist"},
      {{"--wnd", wnd, "--res", res + "/none.pack\\res", "--screen", "24x12", "--bpp", "32", "CViewDlg",
        "--out", out},
       "the resource directory " + res + "/none.pack\\res does not exist"},
      {{"--wnd", wnd, "--res", res, "--lang", res + "/none.ini", "--screen", "24x12", "--bpp", "32",
        "CViewDlg", "--out", out},
       "the language file " + res + "/none.ini does not exist"},
      {{"--wnd", wnd, "--res", res, "--screen", "24x12", "--bpp", "32", "CNoDlg", "--out", out},
       "the dialog file " + wnd + "/CNoDlg.dlg.xml does not exist"},
      {{"--wnd", wnd, "--res", res, "--screen", "24x12", "--bpp", "32", "CBroken", "--out", out},
       "the dialog CBroken was not built: "},
  };
  for (const Case& c : cases) {
    const ToolRun run = RunView(c.args);
    EXPECT_NE(run.nExit, 0) << c.line;
    EXPECT_EQ(run.err.find("wceui-view: " + c.line), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.line;
  }
  // A dialog that fails to build says why in its one line: the framework's lines, in order.
  const ToolRun run = RunView(cases[9].args);
  EXPECT_NE(run.err.find("can not create layer, type is CNoSuchLayer"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Create CBroken failed"), std::string::npos) << run.err;
}

}  // namespace
