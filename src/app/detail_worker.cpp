#include "app/detail_worker.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "os/filesystem.h"
#include "os/signature.h"
#include "os/version_resource.h"

namespace vemdrol {

namespace {

// How long closing the window waits for the file being read.
constexpr std::chrono::seconds stopWait(2);

// Everything the thread uses, shared with the worker so that a thread left
// running when the worker goes still has it.
struct WorkerState {
  std::function<DetailReading()> makeReading;
  std::function<void()> notify;

  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable ended;
  std::deque<DetailRequest> urgent;
  std::deque<DetailRequest> others;
  std::vector<DetailResult> results;
  // The parts read of each file since the last cancellation: a file asked
  // for again (on screen while a sort waits for it) is read once.
  std::unordered_map<Text, unsigned> read;
  // Counts the cancellations, so that a reading asked for before one is
  // dropped when it ends.
  std::uint64_t generation = 0;
  bool notified = false;
  bool stop = false;
  bool finished = false;
};

void work(const std::shared_ptr<WorkerState>& state) {
  {
    DetailReading reading = state->makeReading();
    for (;;) {
      DetailRequest request;
      std::uint64_t generation = 0;
      {
        std::unique_lock lock(state->mutex);
        state->wake.wait(
            lock, [&] { return state->stop || !state->urgent.empty() || !state->others.empty(); });
        if (state->stop) break;
        std::deque<DetailRequest>& queue = state->urgent.empty() ? state->others : state->urgent;
        request = std::move(queue.front());
        queue.pop_front();
        generation = state->generation;
        unsigned& read = state->read[request.key];
        request.parts = readParts(request.parts) & ~read;
        if (request.parts == 0) continue;
        read |= request.parts;
      }
      DetailResult result{std::move(request.key), readParts(request.parts),
                          reading(request.path, detailPartsToRead(request.parts))};
      bool tell = false;
      {
        std::lock_guard lock(state->mutex);
        if (state->stop) break;
        if (generation != state->generation) continue;
        state->results.push_back(std::move(result));
        tell = !state->notified;
        state->notified = true;
      }
      if (tell) state->notify();
    }
    // The reading and what it holds go here, on the thread that used them.
  }
  std::lock_guard lock(state->mutex);
  state->finished = true;
  state->ended.notify_all();
}

class ThreadDetailWorker final : public DetailWorker {
 public:
  ThreadDetailWorker(std::function<DetailReading()> makeReading, std::function<void()> notify)
      : state_(std::make_shared<WorkerState>()) {
    state_->makeReading = std::move(makeReading);
    state_->notify = std::move(notify);
  }

  ~ThreadDetailWorker() override {
    if (!thread_.joinable()) return;
    std::unique_lock lock(state_->mutex);
    state_->stop = true;
    state_->urgent.clear();
    state_->others.clear();
    state_->wake.notify_all();
    const bool finished =
        state_->ended.wait_for(lock, stopWait, [this] { return state_->finished; });
    lock.unlock();
    if (finished) {
      thread_.join();
    } else {
      thread_.detach();
    }
  }

  void request(DetailRequest request, bool urgent) override {
    {
      std::lock_guard lock(state_->mutex);
      (urgent ? state_->urgent : state_->others).push_back(std::move(request));
    }
    if (!thread_.joinable()) thread_ = std::thread(work, state_);
    state_->wake.notify_one();
  }

  void cancel() override {
    std::lock_guard lock(state_->mutex);
    state_->urgent.clear();
    state_->others.clear();
    state_->results.clear();
    state_->read.clear();
    state_->notified = false;
    ++state_->generation;
  }

  std::vector<DetailResult> takeResults() override {
    std::lock_guard lock(state_->mutex);
    std::vector<DetailResult> results = std::move(state_->results);
    state_->results.clear();
    state_->notified = false;
    return results;
  }

 private:
  std::shared_ptr<WorkerState> state_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<DetailWorker> makeThreadDetailWorker(std::function<DetailReading()> makeReading,
                                                     std::function<void()> notify) {
  return std::make_unique<ThreadDetailWorker>(std::move(makeReading), std::move(notify));
}

DetailReading makeSystemDetailReading(std::shared_ptr<RememberedSignatures> remembered) {
  struct Parts {
    explicit Parts(std::shared_ptr<RememberedSignatures> kept) : remembered(std::move(kept)) {}
    std::shared_ptr<RememberedSignatures> remembered;
    std::unique_ptr<FileSystem> files = makeSystemFileSystem();
    std::unique_ptr<VersionResourceReader> versions = makeSystemVersionResourceReader(*files);
    std::unique_ptr<SignatureReader> system = makeSystemSignatureReader(*files);
    std::unique_ptr<SignatureReader> signatures =
        remembered ? std::make_unique<RememberingSignatureReader>(*files, *system, *remembered)
                   : nullptr;
    DetailReader reader{*files, *versions, signatures ? signatures.get() : system.get()};
  };
  auto parts = std::make_shared<Parts>(std::move(remembered));
  return
      [parts](TextView path, DetailParts wanted) { return parts->reader.detailsOf(path, wanted); };
}

}  // namespace vemdrol
