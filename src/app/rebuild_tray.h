// What a run without a window shows of itself: while it rebuilds the list
// (the first start with an empty list, 作成 from the Task Scheduler), the
// program's icon in the notification area, whose tip tells what it does and
// how far it is; when it ends, a notification that the list is ready and how
// to open it, and the icon goes. A start that has to wait for another copy
// says so the same way, as it may have no console to say it on.
#pragma once

#include <chrono>
#include <optional>

#include "app/form.h"
#include "os/instance_lock.h"
#include "scan/scan.h"

namespace vemdrol {

inline constexpr TextView rebuildingTip = L"一覧を作成しています";
inline constexpr TextView rebuiltTip = L"Vemdrol: 一覧を作成しました";
inline constexpr TextView rebuildFailedTip = L"Vemdrol: 一覧を作成できませんでした";
inline constexpr TextView noticeTitle = L"Vemdrol";
// "一覧を作成しました (15,000 行)。Vemdrol をもう一度起動すると一覧を表示します"
inline constexpr TextView rebuiltNotice = L"一覧を作成しました";
inline constexpr TextView openAgainNotice = L"。Vemdrol をもう一度起動すると一覧を表示します";
inline constexpr TextView rebuildFailedNotice = L"一覧を作成できませんでした: ";
inline constexpr TextView waitingTip = L"Vemdrol: 一覧の作成が終わるのを待っています";
inline constexpr TextView waitingForRebuildNotice =
    L"一覧を作成しています。できあがるとウィンドウを開きます";

// How long the icon stays once the rebuild has ended, so that its
// notification can be read; the notification goes with the icon.
inline constexpr std::chrono::milliseconds rebuiltNoticeShownFor = std::chrono::seconds(6);

class RebuildTray {
 public:
  explicit RebuildTray(WindowServices& services) : services_(services) {}
  RebuildTray(const RebuildTray&) = delete;
  RebuildTray& operator=(const RebuildTray&) = delete;

  // Shows the icon; the scan's progress changes its tip from now on.
  void start();
  bool shown() const { return shown_; }
  // How far the scan is: the step within the pass (nullopt before the
  // first), and what the hidden window's status line says.
  struct Step {
    long long index = 0;
    long long last = 0;
  };
  void progress(const std::optional<Step>& step, TextView phase);
  // The rebuild ended, with rows in the list, or failed for the reason
  // given: the notification says so.
  void finish(std::size_t rows, const std::optional<Text>& failure);
  void remove();

 private:
  WindowServices& services_;
  bool shown_ = false;
  Text tip_;
  Text phase_;
  std::chrono::steady_clock::time_point tipShown_;
};

// A scan whose events the window draws and whose progress the icon tells.
class TrayScanView final : public ScanObserver {
 public:
  TrayScanView(ScanObserver& shown, Form& form, RebuildTray& tray)
      : shown_(shown), form_(form), tray_(tray) {}

  void failed(const Failure& failure) override;
  void onBuild(const BuildEvent& event) override;
  void onScan(const ScanEvent& event) override;
  void letEventsRun() override { shown_.letEventsRun(); }

 private:
  void tell();

  ScanObserver& shown_;
  Form& form_;
  RebuildTray& tray_;
  std::optional<RebuildTray::Step> step_;
};

// A start that waits for the copy that holds its folder says so in the
// notification area; removeTrayIcon ends it once the wait is over.
void showWaitingNotice(WindowServices& services, const std::optional<LockHolder>& holder);

}  // namespace vemdrol
