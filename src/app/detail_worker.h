// Reads the details of the list's files away from the window's thread, so
// that the window answers while thousands of files are read and hashed.
// The window asks; the worker reads each file in the order asked, those the
// window draws before those a sort waits for; the results wait until the
// window takes them, which it does when told that there are some.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/row_facts.h"
#include "trust/remembered_signatures.h"

namespace vemdrol {

struct DetailRequest {
  Text path;
  Text key;  // FactsCache::keyOf(path)
  unsigned parts = 0;
};

struct DetailResult {
  Text key;
  unsigned parts = 0;  // what was read: readParts of the parts asked for
  RowDetails details;
};

class DetailWorker {
 public:
  virtual ~DetailWorker() = default;
  // Queues a reading: an urgent one (a row on screen) before every other.
  virtual void request(DetailRequest request, bool urgent) = 0;
  // Drops every reading asked for and every result not yet taken; the one
  // being read is dropped when it ends.
  virtual void cancel() = 0;
  // The results since the last call, in the order they were read.
  virtual std::vector<DetailResult> takeResults() = 0;
};

// Reads one file's details: made on the worker's thread and used there
// alone, as a DetailReader must be.
using DetailReading = std::function<RowDetails(TextView path, DetailParts parts)>;

// A worker with a thread of its own, started at the first request; the
// thread makes its reading with makeReading. notify is called on that thread
// whenever results wait where none did (it posts a message to the window).
// Destroying the worker stops the thread after the file being read; a file
// that takes longer than a moment is left to the thread, which owns
// everything it uses, so that closing the window never waits for it.
std::unique_ptr<DetailWorker> makeThreadDetailWorker(std::function<DetailReading()> makeReading,
                                                     std::function<void()> notify);

// The machine's own reading: a file system, version reader and signature
// reader of its own, for the thread that uses it. With remembered, a file
// whose size and last write time are what they were when its signature was
// verified is not verified again, and every signature verified is
// remembered there.
DetailReading makeSystemDetailReading(std::shared_ptr<RememberedSignatures> remembered = nullptr);

}  // namespace vemdrol
