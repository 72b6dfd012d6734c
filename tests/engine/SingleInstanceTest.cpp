// Every single instance of the engine is made once, however many threads use it first at the same
// moment: the UI thread's messages and timers, the command thread and the sequencer all may.
#include "tests/engine/EngineTestSupport.h"

#include "engine/CorvaneHolder.h"

#include <atomic>
#include <set>
#include <thread>

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 200;

// Starts every thread at once on `get`, and returns what each one got.
template <class T>
std::vector<T*> RaceFirstUse(T* (*get)()) {
  std::atomic<int> ready{0};
  std::atomic<bool> go{false};
  std::vector<T*> got(kThreads, nullptr);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      ready.fetch_add(1);
      while (!go.load()) std::this_thread::yield();
      got[i] = get();
    });
  }
  while (ready.load() < kThreads) std::this_thread::yield();
  go.store(true);
  for (std::thread& t : threads) t.join();
  return got;
}

template <class T>
void ExpectOneInstanceEachRound(const char* name, T* (*get)(), void (*destroy)()) {
  SCOPED_TRACE(name);
  for (int round = 0; round < kRounds; ++round) {
    const std::vector<T*> got = RaceFirstUse(get);
    const std::set<T*> distinct(got.begin(), got.end());
    ASSERT_EQ(distinct.size(), 1u) << "round " << round;
    ASSERT_NE(*distinct.begin(), nullptr) << "round " << round;
    // Whoever comes later gets the same one.
    ASSERT_EQ(get(), *distinct.begin());
    destroy();
    // Destroyed, it is not made again by a late caller until the next engine life opens it.
    ASSERT_EQ(get(), nullptr) << "round " << round;
    CSingleInstanceBase::OpenAll();
  }
}

class SingleInstanceTest : public EngineTest {};

TEST_F(SingleInstanceTest, EveryFirstUseRaceMakesOneInstance) {
  ExpectOneInstanceEachRound("command", &CorvaneCommand::GetInstance, &CorvaneCommand::DestroyInstance);
  ExpectOneInstanceEachRound("picture", &CorvanePicture::GetInstance, &CorvanePicture::DestroyInstance);
  ExpectOneInstanceEachRound("media", &CorvaneMedia::GetInstance, &CorvaneMedia::DestroyInstance);
  ExpectOneInstanceEachRound("tts", &CorvaneTts::GetInstance, &CorvaneTts::DestroyInstance);
  ExpectOneInstanceEachRound("voice recognition", &CorvaneVRecord::GetInstance,
                             &CorvaneVRecord::DestroyInstance);
  ExpectOneInstanceEachRound("sender", &CorvaneSendData::GetInstance, &CorvaneSendData::DestroyInstance);
  // The holder fetches the sender while it is made: both are made once.
  ExpectOneInstanceEachRound("holder", &CorvaneHolder::GetInstance, &CorvaneHolder::DestroyInstance);
  EXPECT_EQ(CorvaneHolder::GetInstance()->GetSender(), CorvaneSendData::GetInstance());
  CorvaneHolder::DestroyInstance();
}

}  // namespace
