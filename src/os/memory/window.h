// In-memory window services for tests: answers the test chooses, and a
// record of what was asked.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "os/window.h"

namespace vemdrol {

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
  Status openRegistryEditorAt(TextView key) override;
  Status showTrayIcon(TextView tip) override;
  Status showTrayNotification(TextView title, TextView text) override;
  void removeTrayIcon() override { trayShown = false; }

  // What the test sets up.
  TwipsSize screen{19200, 14400};
  Text arguments;
  Text folder = L"C:\\Vemdrol";
  bool clipboardFails = false;
  bool shellFails = false;
  // A shell without a properties dialog, as Wine's.
  bool noPropertiesDialog = false;
  // No notification area, as for a scheduled task without a desktop.
  bool trayFails = false;
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
  std::vector<Text> registryEditorKeys;
  std::vector<Text> reported;
  struct Question {
    Text title;
    Text text;
  };
  std::vector<Question> questions;
  std::vector<FileQuestion> fileQuestions;
  // Whether the icon shows in the notification area, each tip it had and
  // the notifications, as title and text.
  bool trayShown = false;
  std::vector<Text> trayTips;
  std::vector<Question> notifications;
  Pointer screenPointer = Pointer::standard;
  std::size_t pendingEventRuns = 0;
  bool ended = false;
  int exitCode = 0;
};

}  // namespace vemdrol
