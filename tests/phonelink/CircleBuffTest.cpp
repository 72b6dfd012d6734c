#include "phonelink/CircleBuff.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/KernelHooks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kLongWait = 10000;

// Holds the copy of one side (a Write's copy in, or a Read's) at the ring's copy hook until told.
struct CopyHold {
  static HANDLE m_hReached;
  static HANDLE m_hRelease;
  static bool m_bWriting;
  static void Hook(bool w) {
    if (w != m_bWriting) return;
    SetEvent(m_hReached);
    WaitForSingleObject(m_hRelease, kLongWait);
  }
};
HANDLE CopyHold::m_hReached = nullptr;
HANDLE CopyHold::m_hRelease = nullptr;
bool CopyHold::m_bWriting = false;

// One Write or Read on a thread of its own, with what it answered.
struct RingCall {
  CircleBuff* m_pBuf;
  bool m_bWrite;
  std::string m_strBytes;  // what to write, or how many to read (its size) and what was read
  int m_nResult = -1;
  uint32_t m_nGot = 0;
  static DWORD Run(LPVOID param) {
    RingCall* c = static_cast<RingCall*>(param);
    if (c->m_bWrite) {
      c->m_nResult = c->m_pBuf->Write(c->m_strBytes.data(), static_cast<uint32_t>(c->m_strBytes.size()));
    } else {
      c->m_nResult =
          c->m_pBuf->Read(&c->m_strBytes[0], static_cast<uint32_t>(c->m_strBytes.size()), &c->m_nGot);
    }
    return 0;
  }
};

class CircleBuffTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(m_Buf.Init(16, 3), 1);
    wce::SetDebugSink([this](const std::string& line) { m_Log.push_back(line); });
  }
  void TearDown() override {
    CircleBuff::SetCopyHook(nullptr);
    for (HANDLE* h : {&CopyHold::m_hReached, &CopyHold::m_hRelease}) {
      if (*h) CloseHandle(*h);
      *h = nullptr;
    }
    wce::SetDebugSink(nullptr);
    m_Buf.Free();
  }
  // Starts call on a thread of its own and returns once its copy is held at the hook.
  HANDLE StartHeld(RingCall* call) {
    CopyHold::m_hReached = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CopyHold::m_hRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CopyHold::m_bWriting = call->m_bWrite;
    CircleBuff::SetCopyHook(CopyHold::Hook);
    HANDLE th = CreateThread(nullptr, 0, RingCall::Run, call, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(CopyHold::m_hReached, kLongWait), WAIT_OBJECT_0);
    return th;
  }
  // Runs call on a thread of its own; false when it did not come back while the other side is held.
  static bool Completes(RingCall* call) {
    HANDLE th = CreateThread(nullptr, 0, RingCall::Run, call, 0, nullptr);
    const bool done = WaitForSingleObject(th, kLongWait) == WAIT_OBJECT_0;
    CloseHandle(th);
    return done;
  }
  static void Finish(HANDLE th) {
    SetEvent(CopyHold::m_hRelease);
    EXPECT_EQ(WaitForSingleObject(th, kLongWait), WAIT_OBJECT_0);
    CloseHandle(th);
  }
  std::string ReadAll(uint32_t n) {
    std::string out(n, '\0');
    uint32_t got = 0;
    EXPECT_EQ(m_Buf.Read(&out[0], n, &got), 1);
    EXPECT_EQ(got, n);
    return out;
  }
  CircleBuff m_Buf;
  std::vector<std::string> m_Log;
};

TEST_F(CircleBuffTest, WriteThatDoesNotFitIsDroppedWhole) {
  ASSERT_EQ(m_Buf.Write("abcdefghij", 10), 1);
  EXPECT_EQ(m_Buf.Write("1234567", 7), 0) << "6 bytes free, 7 wanted";
  EXPECT_EQ(m_Buf.GetFloodCount(), 1);
  EXPECT_EQ(m_Buf.GetUsedSize(), 10u);
  EXPECT_EQ(ReadAll(10), "abcdefghij");
}

TEST_F(CircleBuffTest, ExactFillIsFullNotEmpty) {
  ASSERT_EQ(m_Buf.Write("0123456789abcdef", 16), 1);
  EXPECT_EQ(m_Buf.GetUsedSize(), 16u);
  EXPECT_EQ(m_Buf.Write("x", 1), 0);
  EXPECT_EQ(ReadAll(16), "0123456789abcdef");
  EXPECT_EQ(m_Buf.GetUsedSize(), 0u);
}

TEST_F(CircleBuffTest, ShortOfDataDeliversNothing) {
  ASSERT_EQ(m_Buf.Write("123456789", 9), 1);
  char out[10] = {};
  uint32_t got = 99;
  EXPECT_EQ(m_Buf.Read(out, 10, &got), 0);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(m_Buf.GetUsedSize(), 9u);
  EXPECT_EQ(ReadAll(9), "123456789");
}

TEST_F(CircleBuffTest, WrapsAroundTheEndInOrder) {
  ASSERT_EQ(m_Buf.Write("0123456789AB", 12), 1);
  EXPECT_EQ(ReadAll(10), "0123456789");
  ASSERT_EQ(m_Buf.Write("CDEFGHIJ", 8), 1) << "crosses the end of the storage";
  EXPECT_EQ(m_Buf.GetUsedSize(), 10u);
  EXPECT_EQ(ReadAll(10), "ABCDEFGHIJ");
}

TEST_F(CircleBuffTest, FloodLineForTheFirstAndEveryHundredthDrop) {
  ASSERT_EQ(m_Buf.Write("0123456789abcdef", 16), 1);
  for (int i = 0; i < 201; ++i) m_Buf.Write("z", 1);
  EXPECT_EQ(m_Buf.GetFloodCount(), 201);
  std::vector<std::string> flood;
  for (const auto& l : m_Log) {
    if (l.find("CircleBuff Data flooded") != std::string::npos) flood.push_back(l);
  }
  ASSERT_EQ(flood.size(), 3u);
  EXPECT_EQ(flood[0], "CircleBuff Data flooded  Channel=3  nSzFree=0X0  ToWrite=0X1  count=0 ");
  EXPECT_NE(flood[2].find("count=200"), std::string::npos);
  m_Buf.Reset();
  EXPECT_EQ(m_Buf.GetFloodCount(), 0);
  EXPECT_EQ(m_Buf.GetUsedSize(), 0u);
}

TEST_F(CircleBuffTest, DataEventOnAcceptedAndDroppedWrites) {
  HANDLE ev = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  m_Buf.SetDataEvent(ev);
  ASSERT_EQ(m_Buf.Write("0123456789abcdef", 16), 1);
  EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_OBJECT_0);
  EXPECT_EQ(m_Buf.Write("x", 1), 0);
  EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_OBJECT_0) << "a drop wakes the consumer to drain";
  CloseHandle(ev);
}

// Each side copies outside the lock that guards the positions: a Read copying out does not hold a
// Write back, nor a Write copying in a Read; a copy becomes visible only once published.
TEST_F(CircleBuffTest, ACopyInProgressHoldsTheOtherSideNotBack) {
  ASSERT_EQ(m_Buf.Write("abcdef", 6), 1);
  RingCall reading{&m_Buf, false, std::string(6, '?')};
  HANDLE th = StartHeld(&reading);
  RingCall writing{&m_Buf, true, "ghij"};
  EXPECT_TRUE(Completes(&writing)) << "the write waited for the read's copy";
  EXPECT_EQ(writing.m_nResult, 1);
  Finish(th);
  EXPECT_EQ(reading.m_nResult, 1);
  EXPECT_EQ(reading.m_strBytes, "abcdef");
  EXPECT_EQ(ReadAll(4), "ghij");

  ASSERT_EQ(m_Buf.Write("klm", 3), 1);
  RingCall held{&m_Buf, true, "nopq"};
  th = StartHeld(&held);
  EXPECT_EQ(m_Buf.GetUsedSize(), 3u) << "a copy in is not there before it is published";
  RingCall taking{&m_Buf, false, std::string(3, '?')};
  EXPECT_TRUE(Completes(&taking)) << "the read waited for the write's copy";
  EXPECT_EQ(taking.m_strBytes, "klm");
  Finish(th);
  EXPECT_EQ(held.m_nResult, 1);
  EXPECT_EQ(ReadAll(4), "nopq");
}

// A reset that overtakes a copy wins: the bytes of a write in progress are gone with everything
// else, and a read in progress takes nothing; what is written after the reset is intact.
TEST_F(CircleBuffTest, AResetOvertakingACopyWins) {
  for (bool writingSide : {true, false}) {
    SCOPED_TRACE(writingSide ? "write held" : "read held");
    m_Buf.Reset();
    if (!writingSide) {
      ASSERT_EQ(m_Buf.Write("abcd", 4), 1);
    }
    RingCall held{&m_Buf, writingSide, writingSide ? std::string("wxyz") : std::string(4, '?')};
    HANDLE th = StartHeld(&held);
    m_Buf.Reset();
    // The next bytes land where the held copy is: they must come out as written.
    if (!writingSide) {
      ASSERT_EQ(m_Buf.Write("XY", 2), 1);
    }
    Finish(th);
    if (writingSide) {
      EXPECT_EQ(held.m_nResult, 1);
      EXPECT_EQ(m_Buf.GetUsedSize(), 0u);
      ASSERT_EQ(m_Buf.Write("XY", 2), 1);
    } else {
      EXPECT_EQ(held.m_nResult, 0);
      EXPECT_EQ(held.m_nGot, 0u);
    }
    EXPECT_EQ(m_Buf.GetUsedSize(), 2u);
    EXPECT_EQ(ReadAll(2), "XY");
    CircleBuff::SetCopyHook(nullptr);
    CloseHandle(CopyHold::m_hReached);
    CloseHandle(CopyHold::m_hRelease);
    CopyHold::m_hReached = CopyHold::m_hRelease = nullptr;
  }
}

}  // namespace
