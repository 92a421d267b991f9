// In-memory window layer for tests: a form that keeps what the core sets and
// services whose answers the test chooses.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <vector>

#include "os/window.h"

namespace vemdrol {

class MemoryForm : public Form {
 public:
  // Controls start visible and enabled, with no caption and no size; the
  // form's outer window stands at (0, 0) with the given size.
  explicit MemoryForm(TwipsSize outerSize = {15480, 9945});

  Text caption(Control control) const override;
  void setCaption(Control control, TextView text) override;
  void repaint(Control control) override;
  bool visible(Control control) const override;
  void setVisible(Control control, bool visible) override;
  bool enabled(Control control) const override;
  void setEnabled(Control control, bool enabled) override;
  TwipsRect bounds(Control control) const override;
  void setBounds(Control control, const TwipsRect& bounds) override;
  bool minimized() const override { return minimized_; }
  bool maximized() const override { return maximized_; }
  void setMaximized(bool maximized) override { maximized_ = maximized; }
  TwipsRect restoredBounds() const override { return bounds(Control::Form1); }
  TwipsRect workArea() const override { return workArea_; }
  void setPointer(Control control, Pointer pointer) override;
  void setTimerInterval(unsigned milliseconds) override { timerInterval_ = milliseconds; }
  long addListExtendedStyle(unsigned long bits) override {
    listExtendedStyle_ |= bits;
    return 1;
  }

  void setMinimized(bool minimized) { minimized_ = minimized; }
  void setWorkArea(const TwipsRect& area) { workArea_ = area; }
  unsigned timerInterval() const { return timerInterval_; }
  unsigned long listExtendedStyle() const { return listExtendedStyle_; }
  std::size_t repaintCount(Control control) const;
  Pointer pointer(Control control) const;

 private:
  struct State {
    Text caption;
    TwipsRect bounds;
    bool visible = true;
    bool enabled = true;
    std::size_t repaints = 0;
    Pointer pointer = Pointer::standard;
  };
  const State& state(Control control) const;
  State& state(Control control);

  std::array<State, controlCount> controls_;
  bool minimized_ = false;
  bool maximized_ = false;
  TwipsRect workArea_{0, 0, 19200, 14400};
  unsigned timerInterval_ = 0;
  unsigned long listExtendedStyle_ = 0;
};

class MemoryWindowServices : public WindowServices {
 public:
  Status setClipboardText(TextView text) override;
  TwipsSize screenSize() const override { return screen; }
  Text commandLine() const override { return arguments; }
  Text programFolder() const override { return folder; }
  bool askYesNo(TextView title, TextView question) override;
  std::optional<Text> askFileName(const FileQuestion& question) override;
  void setScreenPointer(Pointer pointer) override { screenPointer = pointer; }
  void runPendingEvents() override {
    ++pendingEventRuns;
    if (pendingEvents) pendingEvents();
  }
  void endProgram(int code) override {
    ended = true;
    exitCode = code;
  }
  void reportError(TextView message) override { reported.emplace_back(message); }
  Status openFileLocation(TextView path) override;
  Status showFileProperties(TextView path) override;

  // What the test sets up.
  TwipsSize screen{19200, 14400};
  Text arguments;
  Text folder = L"C:\\Vemdrol";
  bool clipboardFails = false;
  bool shellFails = false;
  std::deque<bool> answers;  // next answers to questions; Yes when empty
  // The next files chosen in file dialogs; cancelled when empty.
  std::deque<std::optional<Text>> fileNames;
  // Stands for the queued window events that run when the core lets them.
  std::function<void()> pendingEvents;

  // What the core did.
  // Whether anything was put on the clipboard, and what.
  bool clipboardCleared = false;
  Text clipboard;
  std::vector<Text> openedLocations;
  std::vector<Text> shownProperties;
  std::vector<Text> reported;
  struct Question {
    Text title;
    Text text;
  };
  std::vector<Question> questions;
  std::vector<FileQuestion> fileQuestions;
  Pointer screenPointer = Pointer::standard;
  std::size_t pendingEventRuns = 0;
  bool ended = false;
  int exitCode = 0;
};

}  // namespace vemdrol
