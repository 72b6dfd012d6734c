#include "tests/app/program/ProgramE2E.h"

#include <cstdlib>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

// ---- layers ----

bool ParseLayer(const std::string& line, SLayer* out) {
  // "ID NAME CLASS LEFT,TOP,RIGHT,BOTTOM" and, when the layer has text, a blank and "TEXT".
  static const std::regex kLine(
      R"re(^((?:  )*)(\d+) (\S+) (\S+) (-?\d+),(-?\d+),(-?\d+),(-?\d+)(?: "(.*)")?$)re");
  std::smatch m;
  if (!std::regex_match(line, m, kLine)) return false;
  out->m_nDepth = m[1].length() / 2;
  out->m_nId = std::atoi(m[2].str().c_str());
  out->m_strName = m[3];
  out->m_strClassName = m[4];
  out->m_nLeft = std::atoi(m[5].str().c_str());
  out->m_nTop = std::atoi(m[6].str().c_str());
  out->m_nRight = std::atoi(m[7].str().c_str());
  out->m_nBottom = std::atoi(m[8].str().c_str());
  out->m_bHasText = m[9].matched;
  out->m_strText = m[9];
  return true;
}

const SLayer* SLayers::Find(const std::string& name) const {
  for (const SLayer& l : m_Layers) {
    if (l.m_strName == name) return &l;
  }
  return nullptr;
}

const SLayer* SLayers::FindIn(const std::string& parent, const std::string& name) const {
  for (size_t i = 0; i < m_Layers.size(); ++i) {
    if (m_Layers[i].m_strName != parent) continue;
    for (size_t j = i + 1; j < m_Layers.size() && m_Layers[j].m_nDepth > m_Layers[i].m_nDepth; ++j) {
      if (m_Layers[j].m_strName == name) return &m_Layers[j];
    }
    return nullptr;
  }
  return nullptr;
}

std::vector<std::string> SLayers::Dialogs() const {
  std::vector<std::string> out;
  for (const SLayer& l : m_Layers) {
    if (l.m_nDepth == 0) out.push_back(l.m_strClassName);
  }
  return out;
}

// ---- the fixture ----

void CopyProgramFiles(const fs::path& dir) {
  for (const fs::directory_entry& e : fs::directory_iterator(fs::path(CECORVANE_PATH).parent_path())) {
    if (e.path().extension() == ".pack" || e.path().filename() == "Marlow.ttf") {
      fs::copy_file(e.path(), dir / e.path().filename());
    }
  }
}

void ProgramE2E::SetUp() {
  ASSERT_NO_FATAL_FAILURE(EngineE2E::SetUp());
  CopyProgramFiles(m_Dir);
  m_strProgram = CECORVANE_PATH;
  m_EngineErr = m_Root / "CECorvane.err";
}

void ProgramE2E::StartEngine(const std::vector<std::string>& options) {
  std::vector<std::string> args = {m_strProgram, "--dir", m_Dir.string()};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<std::string> env = {"CORVANE_ROOT=" + m_Dir.string()};
  // Without a phone started the program waits for one that never comes.
  if (m_nPort != 0) env.push_back("CORVANE_PHONE=tcp:127.0.0.1:" + std::to_string(m_nPort));
  if (m_bSharedBus) env.push_back("CORVANE_BUS=shared");
  if (m_bLogTicks) env.push_back("CORVANE_LOG_TICKS=1");
  ASSERT_TRUE(m_Engine.Start(args, env, m_EngineErr.string()));
  SLayers screen;
  ASSERT_TRUE(Layers(&screen)) << "the program's screen did not answer";
}

bool ProgramE2E::Layers(SLayers* out, int ms) {
  const size_t asked = Count("end");
  const size_t first = m_Lines.size();
  if (!Send("layers") || !ReadUntilCount("end", asked + 1, ms)) return false;
  // The answer is written as one block; message lines may come before it, never inside it.
  size_t last = m_Lines.size() - 1;
  while (m_Lines[last] != "end") --last;
  size_t begin = last;
  SLayer layer;
  while (begin > first && ParseLayer(m_Lines[begin - 1], &layer)) --begin;
  out->m_Layers.clear();
  for (size_t i = begin; i < last; ++i) {
    ParseLayer(m_Lines[i], &layer);
    out->m_Layers.push_back(layer);
  }
  return true;
}

bool ProgramE2E::WaitForLayers(const std::function<bool(const SLayers&)>& done, int ms, SLayers* last) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  SLayers layers;
  for (;;) {
    if (!Layers(&layers, std::max(MsLeft(end), 1))) return false;
    const bool ok = done(layers);
    if (last) *last = layers;
    if (ok) return true;
    if (MsLeft(end) <= 0) return false;
    // The screen changes on messages and timers; what the program prints meanwhile is kept.
    ReadFor(std::min(MsLeft(end), 20));
  }
}

bool ProgramE2E::Screen(const std::string& name, SScreen* out, int ms) {
  const fs::path file = m_Root / name;
  const std::string answer = "screen " + file.string();
  const size_t written = Count(answer);
  return Send(answer) && ReadUntilCount(answer, written + 1, ms) && ReadBmpFile(file, out);
}

bool ProgramE2E::Tap(const SLayer& layer) {
  const std::string at = std::to_string(layer.CentreX()) + " " + std::to_string(layer.CentreY());
  return Send("touch down " + at) && Send("touch up " + at);
}

bool ProgramE2E::TapHelpButton() {
  SLayers screen;
  if (!WaitForLayers([](const SLayers& l) { return !l.Shown("container_vtlogo"); }, kReplyMs, &screen))
    return false;
  const SLayer* help = screen.Find("btnhelp");
  return help != nullptr && Tap(*help);
}

int ProgramE2E::Post(const std::vector<std::string>& args, int ms) {
  std::vector<std::string> argv = {CORVANE_POST_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  Child post;
  if (!post.Start(argv, {"CORVANE_ROOT=" + m_Dir.string(), "CORVANE_BUS=shared"})) return -1;
  return post.Wait(ms);
}

void ProgramE2E::SecondStart(const std::vector<std::string>& args, const std::vector<std::string>& env,
                             int ping) {
  Child second;
  ASSERT_TRUE(second.Start(args, env));
  EXPECT_EQ(second.Wait(kQuitMs + kLoadSlackMs), 0);
  std::string line;
  EXPECT_FALSE(second.ReadLine(&line, 0)) << "the second start wrote " << line;
  const std::string number = std::to_string(ping);
  ASSERT_EQ(Post({"PROGRAM_E2E_PING", "0", number, "--window", "WND_CORVANE"}), 0);
  ASSERT_TRUE(ReadUntil("msg PROGRAM_E2E_PING 0 " + number, kReplyMs));
}

bool ProgramE2E::RootWindowShown() const {
  std::istringstream windows(ReadText(m_Dir / "bus" / "windows" / std::to_string(m_Engine.Pid())));
  std::string line;
  while (std::getline(windows, line)) {
    if (line.find("\tWND_CORVANE") != std::string::npos) return line.find("\t1\t") != std::string::npos;
  }
  return false;
}

}  // namespace e2e
