// Version resource readers for tests: one that always fails, and one that
// counts the files it was asked about.
#pragma once

#include <utility>
#include <vector>

#include "os/version_resource.h"

namespace vemdrol {

class FailingVersionReader final : public VersionResourceReader {
 public:
  explicit FailingVersionReader(Error error) : error_(std::move(error)) {}
  Result<std::optional<VersionResource>> versionResourceOf(TextView) override { return error_; }

 private:
  Error error_;
};

class CountingVersionReader final : public VersionResourceReader {
 public:
  explicit CountingVersionReader(VersionResourceReader& inner) : inner_(inner) {}
  Result<std::optional<VersionResource>> versionResourceOf(TextView path) override {
    asked.emplace_back(path);
    return inner_.versionResourceOf(path);
  }

  std::vector<Text> asked;

 private:
  VersionResourceReader& inner_;
};

}  // namespace vemdrol
