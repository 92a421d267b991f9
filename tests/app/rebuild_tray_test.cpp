// The notification area's icon of a run without a window: its tip while the
// scan works, the notification when it ends, the lock's word to a start that
// waits, and the icon's end.
#include "app/rebuild_tray.h"

#include <gtest/gtest.h>

#include "app/form_design.h"
#include "app/main_window.h"
#include "app/memory_form.h"
#include "app/progress.h"
#include "os/memory/instance_lock.h"
#include "os/memory/window.h"

namespace vemdrol {
namespace {

TEST(RebuildTray, TheTipFollowsTheScanAndANewPhaseShowsAtOnce) {
  MemoryForm form;
  applyDesign(form);
  // As start-up leaves it.
  form.setCaption(Control::statusLabel, L"");
  MemoryWindowServices services;
  RebuildTray tray(services);
  FormScanView shown(form, services);
  TrayScanView view(shown, form, tray);
  tray.start();
  struct Step {
    BuildEvent event;
    Text tip;  // the last tip shown
  };
  const Step steps[] = {
      {StepReached{1233, 4999}, L"一覧を作成しています 1,234 / 5,000"},
      // Counts in the same phase wait their turn.
      {StepReached{1500, 4999}, L"一覧を作成しています 1,234 / 5,000"},
      {PassEnded{BuildPass::third}, L"一覧を作成しています 1,501 / 5,000\n３回目の処理"},
      {StepsReset{}, L"一覧を作成しています 1,501 / 5,000\n３回目の処理"},
      {PassEnded{BuildPass::fourth}, L"一覧を作成しています\n４回目の処理"},
      // An index past the last, as a pass that appends may report.
      {StepReached{7, 3}, L"一覧を作成しています\n４回目の処理"},
  };
  ASSERT_EQ(services.trayTips, std::vector<Text>{Text(rebuildingTip)});
  for (const Step& step : steps) {
    view.onBuild(step.event);
    EXPECT_EQ(services.trayTips.back(), step.tip);
  }
  tray.progress(RebuildTray::Step{7, 3}, L"x");
  EXPECT_EQ(services.trayTips.back(), L"一覧を作成しています 4 / 4\nx");
  // The scan's own phases carry no count of the builder's.
  view.onScan(VersionsStarted{});
  EXPECT_EQ(services.trayTips.back(), L"一覧を作成しています\nバージョンの再作成中");
}

struct FirstStart : ::testing::Test {
  FirstStart() {
    applyDesign(form);
    std::unique_ptr<InstanceLock> taken = locks.lock(folder, std::chrono::milliseconds(0)).value();
    taken->announce({LockHolder::Role::window, 42});
    window.holdFolderLock(std::move(taken), {LockHolder::Role::window, 42});
    window.setRebuildCommand([this] {
      duringRebuild = {services.trayShown, locks.holder(folder)};
      window.list().addRow(L"*.txt");
      window.list().addRow(L"*.doc");
      form.setCaption(Control::statusLabel, rebuildFinishedText);
    });
  }
  const Text folder = L"C:\\Vemdrol";
  MemoryInstanceLocks locks;
  MemoryForm form;
  MemoryWindowServices services;
  MainWindow window{form, services};
  struct Seen {
    bool trayShown = false;
    std::optional<LockHolder> holder;
  } duringRebuild;
};

TEST_F(FirstStart, TheHiddenRebuildShowsItsIconTellsTheLockAndEndsWithANotification) {
  window.load();
  EXPECT_TRUE(window.unattended());
  EXPECT_FALSE(form.visible(Control::window));
  EXPECT_TRUE(duringRebuild.trayShown);
  EXPECT_EQ(duringRebuild.holder, (LockHolder{LockHolder::Role::rebuild, 42}));
  // The list is saved: a start that waits may take the folder now.
  EXPECT_FALSE(locks.held(folder));
  ASSERT_EQ(services.notifications.size(), 1u);
  EXPECT_EQ(services.notifications[0].text,
            L"一覧を作成しました (2 行)。Vemdrol をもう一度起動すると一覧を表示します");
  EXPECT_EQ(services.trayTips.back(), rebuiltTip);
  EXPECT_TRUE(services.questions.empty());
  EXPECT_EQ(form.endTimerInterval(), static_cast<unsigned>(rebuiltNoticeShownFor.count()));
  window.endTimerTick();
  EXPECT_FALSE(services.trayShown);
  EXPECT_TRUE(services.ended);
}

TEST_F(FirstStart, WithoutANotificationAreaTheRunEndsAsBefore) {
  services.trayFails = true;
  window.load();
  EXPECT_TRUE(services.notifications.empty());
  EXPECT_EQ(form.endTimerInterval(), 1000u);
  EXPECT_FALSE(locks.held(folder));
}

TEST(WaitingNotice, NamesWhoHoldsTheFolder) {
  struct Case {
    std::optional<LockHolder> holder;
    Text said;
  };
  const Case cases[] = {
      {LockHolder{LockHolder::Role::rebuild, 7}, Text(waitingForRebuildNotice)},
      {LockHolder{LockHolder::Role::commandLine, 7},
       L"別の Vemdrol (プロセス 7 でコマンド ラインから実行中) がこのフォルダーを使っています。"
       L"終わるまで待ちます"},
  };
  for (const Case& c : cases) {
    MemoryWindowServices services;
    showWaitingNotice(services, c.holder);
    EXPECT_EQ(services.trayTips, std::vector<Text>{Text(waitingTip)});
    ASSERT_EQ(services.notifications.size(), 1u);
    EXPECT_EQ(services.notifications[0].text, c.said);
  }
}

}  // namespace
}  // namespace vemdrol
