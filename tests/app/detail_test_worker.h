// A detail worker that a test runs by hand: it keeps what the window asks
// for, and reads it with a DetailReader over the test's files when told.
#pragma once

#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

#include "app/detail_worker.h"

namespace vemdrol {

class ManualDetailWorker final : public DetailWorker {
 public:
  explicit ManualDetailWorker(DetailReader& reader) : reader_(reader) {}

  void request(DetailRequest request, bool urgent) override {
    asked.push_back(request);
    askedUrgently.push_back(urgent);
    (urgent ? urgent_ : others_).push_back(std::move(request));
  }
  void cancel() override {
    urgent_.clear();
    others_.clear();
    ready_.clear();
    ++cancels;
  }
  std::vector<DetailResult> takeResults() override { return std::exchange(ready_, {}); }

  // Reads up to count of the waiting requests, the urgent ones first.
  void read(std::size_t count = std::numeric_limits<std::size_t>::max()) {
    for (; count > 0 && (!urgent_.empty() || !others_.empty()); --count) {
      std::vector<DetailRequest>& queue = urgent_.empty() ? others_ : urgent_;
      const DetailRequest request = queue.front();
      queue.erase(queue.begin());
      ready_.push_back({request.key, readParts(request.parts),
                        reader_.detailsOf(request.path, detailPartsToRead(request.parts))});
    }
  }
  std::size_t waiting() const { return urgent_.size() + others_.size(); }

  std::vector<DetailRequest> asked;
  std::vector<bool> askedUrgently;
  std::size_t cancels = 0;

 private:
  DetailReader& reader_;
  std::vector<DetailRequest> urgent_;
  std::vector<DetailRequest> others_;
  std::vector<DetailResult> ready_;
};

// Answers every file as unsigned, and counts the files it was asked about.
class CountingSignatures final : public SignatureReader {
 public:
  Result<SignatureFacts> signatureOf(TextView) override {
    ++calls;
    return SignatureFacts{};
  }
  std::size_t calls = 0;
};

}  // namespace vemdrol
