#include "app/main_window.h"

#include "app/layout.h"
#include "app/progress.h"
#include "files/error_message.h"
#include "rows/saved_rows.h"
#include "scan/scan.h"
#include "search/column_sort.h"
#include "version/version_number.h"

namespace vemdrol {

bool argumentAsksForRebuild(TextView argument) {
  return !argument.empty() && containsNoCase(argument, L"作成");
}

MainWindow::MainWindow(Form& form, WindowServices& services) : form_(form), services_(services) {}

void MainWindow::load() {
  // A failing step ends start-up where it stands; the program goes on with
  // what the finished steps produced.
  if (Status started = startUp(); !started) {
    form_.setCaption(Control::Label1, errorMessage(L"", started.error()));
  }
}

Status MainWindow::startUp() {
  if (Status cleared = services_.clearClipboard(); !cleared) return cleared;
  form_.setCaption(Control::Label1, L"");
  form_.setBounds(Control::Form1,
                  centredOnScreen(form_.bounds(Control::Form1), services_.screenSize()));

  columns_.fill();
  rebuildColumns(columns_, list_);

  Text flag;
  if (loader_) loader_(flag);

  if (argumentAsksForRebuild(services_.commandLine())) flag = L"1";

  if (equalNoCase(flag, L"1") || list_.rowCount() == 0) {
    unattended_ = true;
    form_.setVisible(Control::Form1, false);
    rebuild();
    form_.setTimerInterval(1000);
  }
  return success();
}

void MainWindow::resize() { applyResizeLayout(form_); }

void MainWindow::timer() { services_.endProgram(); }

void MainWindow::columnClick(std::size_t header) { vemdrol::columnClick(list_, header); }

void MainWindow::command1Click() { rebuild(); }

void MainWindow::rebuild() {
  // The rebuild lets queued events run; a click that arrives then must not
  // start a second rebuild inside the first.
  if (!rebuild_ || rebuilding_) return;
  rebuilding_ = true;
  rebuild_();
  rebuilding_ = false;
}

void MainWindow::connect(const Machine& machine) {
  folder_.emplace(ProgramFolder{machine.files, services_.programFolder()});
  VersionResourceReader& versions = machine.versions;
  loader_ = [this, &versions](Text& flag) {
    FormStatusLine status(form_);
    CntRead(
        flag, *folder_, list_, skipList_,
        [&versions](TextView path) { return WVerNumber(versions, path); }, status);
  };
  rebuild_ = [this, machine] {
    FormBuildDisplay display(form_, services_);
    ScanParts parts{display,          list_,         columns_,         inventory_, listing_,
                    machine.registry, machine.files, machine.versions, &*folder_,  skipList_};
    // The scan lets queued events run; the button stays disabled meanwhile,
    // so those events cannot start a second rebuild.
    form_.setEnabled(Control::Command1, false);
    runScan(parts);
    form_.setEnabled(Control::Command1, true);
  };
}

}  // namespace vemdrol
