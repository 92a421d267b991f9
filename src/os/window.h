// The window layer as the core sees it: the controls of the main window
// (Form) and the services around it (WindowServices). The Windows backend is
// the real main window; the in-memory backend records what the core did, so
// that start-up, layout and later the search run in tests without a window.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "base/error.h"
#include "base/text.h"

namespace vemdrol {

// The controls of the main window, named as the form names them.
enum class Control : std::size_t {
  Form1,
  ListView1,
  Command1,
  Command2,
  Command3,
  Text1,
  Label1,
  Label2,
  Label9,
  Label11,
};
inline constexpr std::size_t controlCount = 10;

// Positions and sizes in twips (1/1440 inch), the unit of the form layout.
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

class Form {
 public:
  virtual ~Form() = default;

  // Caption of a label or button, text of the text box, title of the form.
  virtual Text caption(Control control) const = 0;
  // Labels sized to their text (Label1, Label2) change width with the caption.
  virtual void setCaption(Control control, TextView text) = 0;
  // Draws the control at once, for progress shown while the event loop is
  // busy.
  virtual void repaint(Control control) = 0;

  virtual bool visible(Control control) const = 0;
  virtual void setVisible(Control control, bool visible) = 0;
  virtual bool enabled(Control control) const = 0;
  virtual void setEnabled(Control control, bool enabled) = 0;

  // For Form1 the outer window in screen coordinates; for every other control
  // its place in the form's client area.
  virtual TwipsRect bounds(Control control) const = 0;
  virtual void setBounds(Control control, const TwipsRect& bounds) = 0;
  virtual bool minimized() const = 0;
  // Whether Form1 is maximised; set before the form is shown, it is shown
  // maximised.
  virtual bool maximized() const = 0;
  virtual void setMaximized(bool maximized) = 0;
  // Where Form1 stands when it is neither maximised nor minimised, in screen
  // twips.
  virtual TwipsRect restoredBounds() const = 0;
  // The work area (the screen less the task bar) of the monitor Form1 is on,
  // in screen twips.
  virtual TwipsRect workArea() const = 0;

  virtual void setPointer(Control control, Pointer pointer) = 0;
  // Timer1: an interval of 0 stops it; otherwise it fires every interval.
  virtual void setTimerInterval(unsigned milliseconds) = 0;

  // Adds style bits to the list control's extended style (0x20: a selected
  // row is highlighted across all its columns) and returns what the control
  // answered.
  virtual long addListExtendedStyle(unsigned long bits) = 0;
};

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
  // The file manager's properties of the file.
  virtual Status showFileProperties(TextView path) = 0;
};

// The argument text of a whole command line: everything after the program's
// own name (which ends at its closing quote, or at the first blank when it is
// not quoted) and the blanks that follow it.
Text argumentsOfCommandLine(TextView commandLine);

// The real services of the Windows build.
std::unique_ptr<WindowServices> makeSystemWindowServices();

}  // namespace vemdrol
