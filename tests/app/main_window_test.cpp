#include "app/main_window.h"

#include <gtest/gtest.h>

#include "app/form_design.h"
#include "app/memory_form.h"
#include "os/memory/window.h"

namespace vemdrol {
namespace {

struct StartUp : ::testing::Test {
  StartUp() {
    applyDesign(form);
    window.setRebuildCommand([this] { ++rebuilds; });
  }
  // A loader that stands for a saved inventory with the given number of rows.
  void savedRows(int count) {
    window.setInventoryLoader([this, count](Text& flag) {
      flag = L"";
      for (int i = 0; i < count; ++i) window.list().addRow(L"*.txt");
    });
  }

  MemoryForm form{{15480, 9945}};
  MemoryWindowServices services;
  MainWindow window{form, services};
  int rebuilds = 0;
};

TEST_F(StartUp, SavedRowsAndNoArgumentWaitForTheUser) {
  savedRows(2);
  window.load();
  EXPECT_FALSE(window.unattended());
  EXPECT_TRUE(form.visible(Control::window));
  EXPECT_EQ(rebuilds, 0);
  EXPECT_EQ(form.endTimerInterval(), 0u);
  EXPECT_EQ(window.list().rowCount(), 2u);
  EXPECT_EQ(window.list().columnCount(), 5u);
  // The user's clipboard is left as it was.
  EXPECT_FALSE(services.clipboardCleared);
  EXPECT_EQ(form.caption(Control::statusLabel), L"2 行");
}

TEST_F(StartUp, ArgumentContainingTheWordRebuildsHiddenAndArmsTheTimer) {
  for (const wchar_t* argument : {L"作成", L"/作成", L"x 作成 y"}) {
    MemoryForm otherForm;
    MemoryWindowServices otherServices;
    otherServices.arguments = argument;
    MainWindow other(otherForm, otherServices);
    int otherRebuilds = 0;
    other.setRebuildCommand([&] { ++otherRebuilds; });
    other.setInventoryLoader([&](Text&) { other.list().addRow(L"row"); });
    other.load();
    EXPECT_TRUE(other.unattended()) << argument;
    EXPECT_FALSE(otherForm.visible(Control::window));
    EXPECT_EQ(otherRebuilds, 1);
    EXPECT_EQ(otherForm.endTimerInterval(), static_cast<unsigned>(rebuiltNoticeShownFor.count()));
    EXPECT_FALSE(otherServices.ended);
    other.endTimerTick();
    EXPECT_TRUE(otherServices.ended);
  }
}

TEST_F(StartUp, OtherArgumentsHaveNoEffect) {
  savedRows(1);
  services.arguments = L"/auto";
  window.load();
  EXPECT_FALSE(window.unattended());
  EXPECT_EQ(rebuilds, 0);
}

TEST_F(StartUp, EmptyListAfterLoadingRebuildsWithoutArgument) {
  savedRows(0);
  window.load();
  EXPECT_TRUE(window.unattended());
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(form.endTimerInterval(), static_cast<unsigned>(rebuiltNoticeShownFor.count()));
}

TEST_F(StartUp, LoaderFlagOfOneSelectsUnattendedMode) {
  window.setInventoryLoader([this](Text& flag) {
    window.list().addRow(L"row");
    flag = L"1";
  });
  window.load();
  EXPECT_TRUE(window.unattended());
}

TEST_F(StartUp, FailingStepShowsTheMessageAndStopsBeforeTheModeDecision) {
  // The clipboard was the one step of start-up that could fail; start-up no
  // longer touches it, so a clipboard held by another program changes
  // nothing.
  savedRows(0);
  services.clipboardFails = true;
  window.load();
  EXPECT_EQ(form.caption(Control::statusLabel), L"");
  EXPECT_TRUE(window.unattended());
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(window.list().columnCount(), 5u);
  EXPECT_FALSE(services.clipboardCleared);
}

TEST_F(StartUp, CentresTheWindowAndClearsTheStatusLine) {
  savedRows(1);
  services.screen = {19200, 14400};
  window.load();
  const TwipsRect placed = form.bounds(Control::window);
  EXPECT_EQ(placed.left, (19200 - 15480) / 2);
  EXPECT_EQ(placed.top, (14400 - 9945) / 2);
  EXPECT_EQ(placed.width, 15480);
  EXPECT_EQ(form.caption(Control::statusLabel), L"1 行");
}

TEST(ArgumentText, WordIsFoundAnywhere) {
  EXPECT_TRUE(argumentAsksForRebuild(L"作成"));
  EXPECT_TRUE(argumentAsksForRebuild(L"-再作成する"));
  EXPECT_FALSE(argumentAsksForRebuild(L""));
  EXPECT_FALSE(argumentAsksForRebuild(L"作"));
  EXPECT_FALSE(argumentAsksForRebuild(L"/auto"));
}

}  // namespace
}  // namespace vemdrol
