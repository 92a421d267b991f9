#include "files/trace_log.h"

#include "os/codepage.h"

namespace vemdrol {

namespace {

std::string lineBytes(TextView line) { return toAnsi(line) + "\r\n"; }

}  // namespace

Status TraceLog::start() {
  return folder_.files.replaceFile(folder_.path(traceLogName), lineBytes(traceStartLine));
}

Status TraceLog::append(TextView line) {
  return folder_.files.appendToFile(folder_.path(traceLogName), lineBytes(line));
}

}  // namespace vemdrol
