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

// Holds the readings until the test lets them go, and notes what was read.
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
  template <class Until>
  void wait(Until until) {
    std::unique_lock lock(mutex);
    changed.wait(lock, until);
  }
};

std::unique_ptr<DetailWorker> gatedWorker(const std::shared_ptr<Gate>& gate) {
  const auto reading = [gate](TextView path, DetailParts parts) {
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
  return makeThreadDetailWorker([reading] { return DetailReading(reading); },
                                [gate] {
                                  std::lock_guard lock(gate->mutex);
                                  ++gate->notices;
                                });
}

void ask(DetailWorker& worker, const wchar_t* path, bool urgent, unsigned parts = factsPart) {
  worker.request({path, FactsCache::keyOf(path), parts}, urgent);
}

std::vector<Text> takeResults(DetailWorker& worker, std::size_t count) {
  std::vector<Text> cells;
  while (cells.size() < count) {
    for (const DetailResult& result : worker.takeResults())
      cells.push_back(result.details.cells[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return cells;
}

TEST(DetailThread, ReadsWhatIsOnScreenFirstEachFileOnceAndDropsWhatACancelLeaves) {
  auto gate = std::make_shared<Gate>();
  auto worker = gatedWorker(gate);
  ask(*worker, L"A", false);
  gate->wait([&] { return gate->started == 1; });
  ask(*worker, L"B", false);
  ask(*worker, L"C", true, hashPart);
  // Asked for again, on screen, while it waits for a sort: read once, early.
  ask(*worker, L"b", true);
  gate->allow(3);
  EXPECT_EQ(takeResults(*worker, 3), (std::vector<Text>{L"A", L"C+hash", L"b"}));

  // D is being read when the cancel comes and E waits: neither comes; what
  // is asked for afterwards does.
  ask(*worker, L"D", false);
  gate->wait([&] { return gate->started == 4; });
  ask(*worker, L"E", false);
  worker->cancel();
  ask(*worker, L"F", false);
  gate->allow(2);
  EXPECT_EQ(takeResults(*worker, 1), std::vector<Text>{L"F"});
  std::lock_guard lock(gate->mutex);
  EXPECT_EQ(gate->read, (std::vector<Text>{L"A", L"C", L"b", L"D", L"F"}));
}

TEST(DetailThread, GoingAwayWhileAFileIsReadNeitherWaitsForItNorCrashes) {
  auto gate = std::make_shared<Gate>();
  {
    auto worker = gatedWorker(gate);
    ask(*worker, L"slow", false);
    ask(*worker, L"never", false);
    gate->wait([&] { return gate->started == 1; });
  }
  // The thread, left with its file, ends with it and reads nothing more.
  gate->allow(2);
  gate->wait([&] { return gate->read.size() == 1; });
  std::lock_guard lock(gate->mutex);
  EXPECT_EQ(gate->notices, 0u);
  EXPECT_EQ(gate->started, 1u);
}

}  // namespace
}  // namespace vemdrol
