// A second start of CECorvane while the first one projects hidden: the second raises the first
// and ends, and from then on the first paints the phone's pictures again, because what it takes
// for shown follows its window, not only the other programs' show message.
#include "tests/app/program/ProgramHostE2E.h"

#include <string>

namespace {

using e2e::Child;
using e2e::kLoadSlackMs;
using e2e::kQuitMs;
using e2e::kReplyMs;
using e2e::ProgramHostE2E;
using e2e::SPhoneLog;
using e2e::SScreen;

class ProgramSecondStart : public ProgramHostE2E {
 protected:
  // Until `pictures` more of the phone's pictures are in the head unit's ring buffer.
  bool MorePictures(size_t pictures) {
    const size_t seen = Log().m_Pictures.size();
    return WaitForLog(
        [&](const SPhoneLog& l) {
          return l.m_Pictures.size() >= seen + pictures &&
                 e2e::PictureInRing(l, l.m_Pictures[seen + pictures - 1].m_nFrame);
        },
        kReplyMs);
  }
};

TEST_F(ProgramSecondStart, RaisesAHiddenProjectionWhosePicturesAreShownAgain) {
  ASSERT_NO_FATAL_FAILURE(Connect({}, {"hide"}));
  ASSERT_FALSE(RootWindowShown());

  // Hidden, the program paints none of the pictures it takes.
  SScreen before, after;
  ASSERT_TRUE(Screen("hidden-1.bmp", &before));
  ASSERT_TRUE(MorePictures(5));
  ASSERT_TRUE(HoldVideo());
  ASSERT_TRUE(ReleaseVideo());
  ASSERT_TRUE(Screen("hidden-2.bmp", &after));
  EXPECT_TRUE(before.rows == after.rows) << "a hidden program painted a picture";

  ASSERT_NO_FATAL_FAILURE(SecondStart({m_strProgram, "--dir", m_Dir.string()},
                                      {"CORVANE_ROOT=" + m_Dir.string(), "CORVANE_BUS=shared"}, 1));
  EXPECT_TRUE(RootWindowShown());

  // Shown, each new picture reaches the screen.
  ASSERT_TRUE(Screen("shown-1.bmp", &before));
  const auto end = e2e::Clock::now() + std::chrono::milliseconds(kReplyMs);
  bool painted = false;
  while (!painted && e2e::MsLeft(end) > 0) {
    ASSERT_TRUE(MorePictures(1));
    ASSERT_TRUE(Screen("shown-2.bmp", &after));
    painted = after.rows != before.rows;
  }
  EXPECT_TRUE(painted) << "the raised program paints no picture";
  EXPECT_EQ(Quit(), 0);
}

}  // namespace
