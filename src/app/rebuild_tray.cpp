#include "app/rebuild_tray.h"

#include <algorithm>

#include "app/list_status.h"
#include "cli/failure_text.h"

namespace vemdrol {

namespace {

// A tip changed in every step of a pass would keep the notification area
// busy; a few times a second is all a reader can follow.
constexpr std::chrono::milliseconds tipInterval(250);

}  // namespace

void RebuildTray::start() {
  tip_ = rebuildingTip;
  phase_.clear();
  // The first count shows at once.
  tipShown_ = {};
  // Without a notification area the run goes on as before, unseen.
  shown_ = static_cast<bool>(services_.showTrayIcon(tip_));
}

void RebuildTray::progress(const std::optional<Step>& step, TextView phase) {
  if (!shown_) return;
  Text tip(rebuildingTip);
  if (step && step->last >= 0) {
    const auto last = static_cast<std::size_t>(step->last) + 1;
    const auto done = std::min(static_cast<std::size_t>(std::max(step->index, 0LL)) + 1, last);
    tip += L" " + groupedNumber(done) + L" / " + groupedNumber(last);
  }
  if (!phase.empty()) tip += L"\n" + Text(phase);
  if (tip == tip_) return;
  const auto now = std::chrono::steady_clock::now();
  // A new phase shows at once; a count only now and then.
  if (phase == phase_ && now - tipShown_ < tipInterval) return;
  phase_ = phase;
  tip_ = std::move(tip);
  tipShown_ = now;
  (void)services_.showTrayIcon(tip_);
}

void RebuildTray::finish(std::size_t rows, const std::optional<Text>& failure) {
  if (!shown_) return;
  const Text text =
      failure ? Text(rebuildFailedNotice) + *failure
              : Text(rebuiltNotice) + L" (" + groupedNumber(rows) + L" 行)" + Text(openAgainNotice);
  // An icon that cannot say more keeps what it said; the run ends as it
  // would without one.
  (void)services_.showTrayIcon(failure ? rebuildFailedTip : rebuiltTip);
  (void)services_.showTrayNotification(noticeTitle, text);
}

void RebuildTray::remove() {
  if (!shown_) return;
  services_.removeTrayIcon();
  shown_ = false;
}

void TrayScanView::failed(const Failure& failure) {
  shown_.failed(failure);
  tell();
}

void TrayScanView::onBuild(const BuildEvent& event) {
  shown_.onBuild(event);
  if (const auto* step = std::get_if<StepReached>(&event)) {
    step_ = RebuildTray::Step{step->step, step->last};
  } else if (std::holds_alternative<StepsReset>(event)) {
    step_.reset();
  }
  tell();
}

void TrayScanView::onScan(const ScanEvent& event) {
  shown_.onScan(event);
  // The builder's count ends with its passes; the scan's later phases (the
  // versions, the folders) name themselves instead.
  step_.reset();
  tell();
}

void TrayScanView::tell() { tray_.progress(step_, form_.caption(Control::statusLabel)); }

void showWaitingNotice(WindowServices& services, const std::optional<LockHolder>& holder) {
  const bool rebuilding = holder && holder->role == LockHolder::Role::rebuild;
  if (!services.showTrayIcon(waitingTip)) return;
  (void)services.showTrayNotification(
      noticeTitle, rebuilding ? Text(waitingForRebuildNotice) : waitingForHolderText(holder));
}

}  // namespace vemdrol
