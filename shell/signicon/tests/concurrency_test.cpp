// Many threads asking one identifier at once, as a file manager's worker threads do. Built
// and run under the thread sanitizer too (preset tsan).
#include "handler_fixture.h"

#include <atomic>
#include <thread>
#include <vector>

namespace signicon::test {
namespace {

using SigniconConcurrency = HandlerTest;

constexpr int kThreads = 8;
constexpr int kCalls = 150;

const char16_t* const kPaths[] = {u"/data/signed.txt", u"/data/nosig.txt", u"/data/README",
                                  u"/data/file.unknown", u"/data/detailsfail.txt"};
const HRESULT kExpected[] = {S_OK, S_FALSE, S_FALSE, S_FALSE, S_FALSE};

TEST_F(SigniconConcurrency, SharedIdentifierAnswersEveryThreadAndBalances) {
  IShellIconOverlayIdentifier* id = create_identifier();
  ASSERT_NE(id, nullptr);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      for (int i = 0; i < kCalls; ++i) {
        std::size_t k = static_cast<std::size_t>(t + i) % std::size(kPaths);
        id->AddRef();  // reference churn on the shared object
        if (id->IsMemberOf(kPaths[k], 0) != kExpected[k]) wrong.fetch_add(1);
        id->Release();
      }
      CoUninitialize();
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  // Four of the five paths have an extension and reach the file-type registry.
  EXPECT_EQ(counts().registries_created, kThreads * kCalls * 4 / 5);
  id->Release();
  EXPECT_EQ(can_unload_now_(), S_OK);
  expect_balanced("after all threads");
}

TEST_F(SigniconConcurrency, SwitchChangesWhileThreadsAsk) {
  std::atomic<bool> stop{false};
  std::atomic<int> unsigned_members{0};
  std::atomic<long> asked{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      IShellIconOverlayIdentifier* id = create_identifier();  // one object per thread
      while (!stop.load()) {
        id->IsMemberOf(u"/data/signed.txt", 0);  // either answer is right while switching
        if (id->IsMemberOf(u"/data/nosig.txt", 0) != S_FALSE) unsigned_members.fetch_add(1);
        asked.fetch_add(1);
      }
      id->Release();
      CoUninitialize();
    });
  }
  // Switch only once the threads are asking, so the changes really meet running tests.
  while (asked.load() < kThreads) std::this_thread::yield();
  for (DWORD value : {0u, 1u, 0u, 1u}) {
    set_switch(value);
    EXPECT_EQ(refresh_status_(), static_cast<LONG>(value));
  }
  stop.store(true);
  for (auto& t : threads) t.join();
  EXPECT_GT(asked.load(), 0);
  EXPECT_EQ(unsigned_members.load(), 0);
  EXPECT_EQ(can_unload_now_(), S_OK);
  expect_balanced("after switching");
}

}  // namespace
}  // namespace signicon::test
