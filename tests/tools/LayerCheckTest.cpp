// tools/layercheck.py run as a program on a tiny repository made here: which include lines break
// the folder layers, and the arrows it counts between top folders and between wceui's rooms.
#include "tests/tools/PythonToolFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct SCase {
  const char* file;
  const char* include;  // the included path, written from the repository root
  int status;
  const char* output;  // what the checker prints
};

const SCase kCases[] = {
    {"engine/Engine.cpp", "phonelink/CorvaneAdb.h", 0, ""},
    {"app/Main.cpp", "platform/kernel/Kernel.h", 0, ""},
    {"tests/engine/EngineTest.cpp", "app/Main.h", 0, ""},
    {"phonesim/Phone.cpp", "phonesim_pb/Control.pb.h", 0, ""},
    {"engine/Engine.cpp", "app/Main.h", 1,
     "engine/Engine.cpp:2: #include \"app/Main.h\": engine may not include app\n"
     "1 include line(s) break the folder layers.\n"},
    {"wceui/core/Layer.cpp", "services/Log.h", 1,
     "wceui/core/Layer.cpp:2: #include \"services/Log.h\": wceui may not include services\n"
     "1 include line(s) break the folder layers.\n"},
    {"wceui/core/Layer.cpp", "wceui/base/Log.h", 0, ""},
    {"wceui/base/Log.cpp", "wceui/core/Layer.h", 1,
     "wceui/base/Log.cpp:2: #include \"wceui/core/Layer.h\": wceui/base may not include wceui/core\n"
     "1 include line(s) break the folder layers.\n"},
    {"wceui/core/Layer.cpp", "wceui/styles/Style.h", 0, ""},
    {"wceui/drawing/Bitmap.cpp", "wceui/core/Layer.h", 1,
     "wceui/drawing/Bitmap.cpp:2: #include \"wceui/core/Layer.h\": wceui/drawing may not include wceui/core\n"
     "1 include line(s) break the folder layers.\n"},
    {"wceui/styles/Style.cpp", "wceui/widgets/Button.h", 1,
     "wceui/styles/Style.cpp:2: #include \"wceui/widgets/Button.h\": wceui/styles may not include "
     "wceui/widgets\n"
     "1 include line(s) break the folder layers.\n"},
    {"wceui/core/Layer.cpp", "wceui/resources/Bitmap.h", 1,
     "wceui/core/Layer.cpp:2: #include \"wceui/resources/Bitmap.h\": names no room of wceui/\n"
     "1 include line(s) break the folder layers.\n"},
    {"wceui/Loose.cpp", "platform/gdi/Gdi.h", 1,
     "wceui/Loose.cpp:2: #include \"platform/gdi/Gdi.h\": a file of wceui/ outside its rooms\n"
     "1 include line(s) break the folder layers.\n"},
    {"phonesim/Phone.cpp", "platform/kernel/Kernel.h", 1,
     "phonesim/Phone.cpp:2: #include \"platform/kernel/Kernel.h\": phonesim may not include platform\n"
     "1 include line(s) break the folder layers.\n"},
    {"services/Log.cpp", "Local.h", 1,
     "services/Log.cpp:2: #include \"Local.h\": names no top folder of the repository\n"
     "1 include line(s) break the folder layers.\n"},
};

class LayerCheck : public PythonToolFixture {
 protected:
  LayerCheck() : PythonToolFixture(LAYERCHECK_PATH) {}

  void Put(const std::string& file, const std::string& text) {
    fs::create_directories((m_dir / file).parent_path());
    std::ofstream(m_dir / file) << text;
  }
  // The checker reads only the files git tracks.
  void Track() {
    const std::string command =
        "git -C " + m_dir.string() + " init -q && git -C " + m_dir.string() + " add .";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
};

TEST_F(LayerCheck, AnIncludeUpwardIsNamedByItsLine) {
  for (const SCase& c : kCases) {
    SCOPED_TRACE(std::string(c.file) + " includes " + c.include);
    fs::remove_all(m_dir / ".git");
    for (const char* top : {"app", "engine", "wceui", "services", "phonesim", "tests"})
      fs::remove_all(m_dir / top);
    Put(c.file, std::string("// one file\n#include \"") + c.include + "\"\n#include <vector>\n");
    Track();
    EXPECT_EQ(Run(m_dir.string()), c.status);
    EXPECT_EQ(Output(), c.output);
  }
}

TEST_F(LayerCheck, ListsArrowsWithCountsAndNamesAForbiddenRoomArrow) {
  Put("app/Main.cpp",
      "#include \"engine/Engine.h\"\n#include \"engine/Engine.h\"\n#include \"app/Main.h\"\n");
  Put("wceui/core/Layer.cpp", "#include \"wceui/styles/Style.h\"\n#include \"wceui/core/Layer.h\"\n");
  Put("wceui/styles/Style.cpp", "#include \"wceui/core/Layer.h\"\n#include \"platform/gdi/Gdi.h\"\n");
  Put("engine/Untracked.cpp", "#include \"app/Main.h\"\n");
  Track();
  ASSERT_EQ(std::system(("git -C " + m_dir.string() + " rm -q --cached engine/Untracked.cpp").c_str()), 0);
  EXPECT_EQ(Run("--list " + m_dir.string()), 1);
  EXPECT_EQ(
      Output(),
      "Arrows between top folders (include lines):\n"
      "app -> engine 2\n"
      "wceui -> platform 1\n"
      "\n"
      "Arrows between the rooms of wceui/ (include lines):\n"
      "core -> styles 1\n"
      "styles -> core 1\n"
      "wceui/styles/Style.cpp:1: #include \"wceui/core/Layer.h\": wceui/styles may not include wceui/core\n"
      "1 include line(s) break the folder layers.\n");
}

}  // namespace
