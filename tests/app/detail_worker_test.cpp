// The thread that reads the details: its order, its cancelling, and its end
// while a file is still being read.
#include "app/detail_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vemdrol {
namespace {

// Holds each reading until the test lets it go, and notes what was read.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t allowed = 0;
  std::size_t started = 0;
  std::vector<Text> read;
  std::size_t notices = 0;

  void allow(std::size_t count) {
    std::lock_guard lock(mutex);
    allowed += count;
    changed.notify_all();
  }
  void waitUntilStarted(std::size_t count) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return started >= count; });
  }
  void waitForNotices(std::size_t count) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return notices >= count; });
  }
};

std::unique_ptr<DetailWorker> gatedWorker(const std::shared_ptr<Gate>& gate) {
  return makeThreadDetailWorker(
      [gate] {
        return [gate](TextView path, DetailParts parts) {
          std::unique_lock lock(gate->mutex);
          const std::size_t number = gate->started++;
          gate->changed.notify_all();
          gate->changed.wait(lock, [&] { return gate->allowed > number; });
          gate->read.emplace_back(path);
          gate->changed.notify_all();
          RowDetails details;
          details.cells[0] = Text(path) + (parts.hash ? L"+hash" : L"");
          return details;
        };
      },
      [gate] {
        std::lock_guard lock(gate->mutex);
        ++gate->notices;
        gate->changed.notify_all();
      });
}

DetailRequest request(const wchar_t* path, unsigned parts = factsPart) {
  return {path, FactsCache::keyOf(path), parts};
}

std::vector<DetailResult> takeResults(DetailWorker& worker, std::size_t count) {
  std::vector<DetailResult> all;
  for (;;) {
    for (DetailResult& result : worker.takeResults()) all.push_back(std::move(result));
    if (all.size() >= count) return all;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

TEST(DetailThread, ReadsWhatIsOnScreenFirstEachFileOnceAndDropsWhatACancelLeaves) {
  auto gate = std::make_shared<Gate>();
  auto worker = gatedWorker(gate);
  worker->request(request(L"A"), false);
  gate->waitUntilStarted(1);
  worker->request(request(L"B"), false);
  worker->request(request(L"C", hashPart), true);
  // Asked for again on screen while it waits for a sort: read once.
  worker->request(request(L"B"), true);
  gate->allow(3);
  const std::vector<DetailResult> results = takeResults(*worker, 3);
  gate->waitForNotices(1);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].details.cells[0], L"A");
  EXPECT_EQ(results[1].details.cells[0], L"C+hash");
  EXPECT_EQ(results[1].parts, unsigned{factsPart | hashPart});
  EXPECT_EQ(results[2].key, L"b");

  // D is being read when the cancel comes, E waits: neither is delivered,
  // and what is asked for afterwards is.
  worker->request(request(L"D"), false);
  gate->waitUntilStarted(4);
  worker->request(request(L"E"), false);
  worker->cancel();
  worker->request(request(L"F"), false);
  gate->allow(2);
  const std::vector<DetailResult> later = takeResults(*worker, 1);
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(later[0].details.cells[0], L"F");
  std::lock_guard lock(gate->mutex);
  EXPECT_EQ(gate->read, (std::vector<Text>{L"A", L"C", L"B", L"D", L"F"}));
}

TEST(DetailThread, GoingAwayWhileAFileIsReadNeitherWaitsForItNorCrashes) {
  auto gate = std::make_shared<Gate>();
  {
    auto worker = gatedWorker(gate);
    worker->request(request(L"slow"), false);
    worker->request(request(L"never"), false);
    gate->waitUntilStarted(1);
  }
  // The thread, left with the file, ends once the file does, and reads
  // nothing more.
  gate->allow(2);
  std::unique_lock lock(gate->mutex);
  gate->changed.wait(lock, [&] { return gate->read.size() == 1; });
  EXPECT_EQ(gate->notices, 0u);
}

}  // namespace
}  // namespace vemdrol
