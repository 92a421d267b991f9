#include "app/main_window.h"

#include "app/layout.h"
#include "files/error_message.h"
#include "search/column_sort.h"

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
    if (rebuild_) rebuild_();
    form_.setTimerInterval(1000);
  }
  return success();
}

void MainWindow::resize() { applyResizeLayout(form_); }

void MainWindow::timer() { services_.endProgram(); }

void MainWindow::columnClick(std::size_t header) { vemdrol::columnClick(list_, header); }

void MainWindow::command1Click() {
  if (rebuild_) rebuild_();
}

}  // namespace vemdrol
