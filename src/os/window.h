// The services of the operating system's window layer that the program
// uses beside its own main window (app/form.h): the clipboard, the screen,
// the command line, the program's folder, file dialogs, the shell, message
// boxes, the notification area and the pending window events. The Windows backend is the system's;
// the in-memory backend records what was asked, so that the window's
// procedures run in tests without a window.
#pragma once

#include <memory>
#include <optional>

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

// Positions and sizes in twips (1/1440 inch), the unit of the window layout.
struct TwipsRect {
  long left = 0;
  long top = 0;
  long width = 0;
  long height = 0;
  friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

struct TwipsSize {
  long width = 0;
  long height = 0;
};

// Mouse pointer shapes by their classic codes.
enum class Pointer { standard = 0, arrow = 1, hourglass = 11 };

// A question for a file's name, asked with the system's file dialog.
struct FileQuestion {
  // A file to write (the dialog asks before one is replaced), else one to
  // open, which must exist.
  bool save = false;
  Text title;
  // The files offered: "一覧ファイル (*.cnt)" and "*.cnt"; a name typed
  // without an extension gets the pattern's.
  Text filterName;
  Text pattern;
  // The name a save dialog offers first.
  Text suggestedName;
};

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // Puts the text on the clipboard, in place of what was there.
  virtual Status setClipboardText(TextView text) = 0;
  virtual TwipsSize screenSize() const = 0;
  // The command-line argument text, without the program's own name.
  virtual Text commandLine() const = 0;
  // The folder the program file lies in, without a final "\" (except for a
  // drive root).
  virtual Text programFolder() const = 0;
  // A Yes/No question with Yes as the default button; true for Yes.
  virtual bool askYesNo(TextView title, TextView question) = 0;
  // The full path of the file the user chose; nullopt when the user
  // cancelled, or when the services have no file dialog to show.
  virtual std::optional<Text> askFileName(const FileQuestion&) { return std::nullopt; }
  virtual void setScreenPointer(Pointer pointer) = 0;
  // Lets queued window events run, as the rebuild does between folders.
  virtual void runPendingEvents() = 0;
  // Ends the program at once with the exit code; nothing else runs.
  virtual void endProgram(int exitCode) = 0;
  // Tells the user of a run without a window why it failed: on its console
  // or redirected standard error, where it has one.
  virtual void reportError(TextView message) = 0;
  // The file's folder in the file manager, with the file selected.
  virtual Status openFileLocation(TextView path) = 0;
  // The file manager's properties of the file; noPropertiesDialogError
  // where the shell has no such dialog (Wine's has none).
  virtual Status showFileProperties(TextView path) = 0;
  // Registry Editor, opened at the key ("HKEY_CLASSES_ROOT\CLSID\{…}"),
  // as Windows' own tools open it: the key becomes the editor's last key
  // (registryEditorLastKey), which it opens at when it starts.
  virtual Status openRegistryEditorAt(TextView key) = 0;

  // The program's icon in the notification area, for a run whose window
  // stays hidden: shown with the tip, or its tip changed. Fails where the
  // desktop has no notification area (a scheduled task without a desktop).
  // The system cuts a tip at 127 characters.
  virtual Status showTrayIcon(TextView tip) = 0;
  // A notification from that icon, shown first where it is not.
  virtual Status showTrayNotification(TextView title, TextView text) = 0;
  // The icon goes, before the program ends: one left behind stays in the
  // notification area until the mouse passes over it.
  virtual void removeTrayIcon() = 0;
};

// Windows' ERROR_NO_ASSOCIATION: the shell has nothing to show a file's
// properties with.
inline constexpr long noPropertiesDialogError = 1155;

// Where Registry Editor keeps the key it shows last, under
// HKEY_CURRENT_USER; it opens there the next time it starts.
inline constexpr TextView registryEditorSettingsKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
inline constexpr TextView registryEditorLastKeyName = L"LastKey";

// The last key that opens the editor at key. Windows' editor keeps it
// behind the name of its tree's root, which is in the user's language
// ("コンピューター\HKEY_CLASSES_ROOT\…"), and Wine's without one
// ("HKEY_CLASSES_ROOT\…"); the editor at hand tells its form by the last
// key it wrote itself, previous. Before it wrote any, rootName is the
// root's name ("" for none).
Text registryEditorLastKey(TextView key, TextView previous, TextView rootName);

// The argument text of a whole command line: everything after the program's
// own name (which ends at its closing quote, or at the first blank when it is
// not quoted) and the blanks that follow it.
Text argumentsOfCommandLine(TextView commandLine);

// The real services of the Windows build.
std::unique_ptr<WindowServices> makeSystemWindowServices();

}  // namespace vemdrol
