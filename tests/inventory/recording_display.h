// A builder report for tests: keeps every event and every failure, in order.
#pragma once

#include <vector>

#include "inventory/build_events.h"

namespace vemdrol::testing {

struct RecordingDisplay : BuildReport {
  void onBuild(const BuildEvent& event) override {
    events.push_back(event);
    if (const auto* ended = std::get_if<PassEnded>(&event)) passesEnded.push_back(ended->pass);
    if (std::holds_alternative<BuildStarted>(event)) busy = true;
    if (std::holds_alternative<BuildEnded>(event)) busy = false;
  }
  void failed(const Failure& failure) override { failures.push_back(failure); }

  std::vector<BuildEvent> events;
  std::vector<BuildPass> passesEnded;
  std::vector<Failure> failures;
  bool busy = false;
};

}  // namespace vemdrol::testing
