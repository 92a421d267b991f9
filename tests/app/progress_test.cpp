#include "app/progress.h"

#include <gtest/gtest.h>

#include "app/form_design.h"
#include "os/memory/window.h"

namespace vemdrol {
namespace {

struct Progress : ::testing::Test {
  Progress() { applyDesign(form); }
  MemoryForm form;
  ProgressRows rows{form};
};

TEST_F(Progress, MarksReplaceTheLeadingCharactersOnly) {
  rows.progress(L"Label11", 20, L"▼", 7, 30);  // floor(4.67)
  EXPECT_EQ(form.caption(Control::Label11), L"▼▼▼▼△△△△△△△△△△△△△△△△");
  EXPECT_EQ(form.repaintCount(Control::Label11), 1u);

  // A smaller count later never takes marks away; only a reset does.
  rows.progress(L"Label11", 20, L"▼", 1, 30);
  EXPECT_EQ(form.caption(Control::Label11), L"▼▼▼▼△△△△△△△△△△△△△△△△");
  rows.progress(L"Label11", 20, L"△", 20, 20);
  EXPECT_EQ(form.caption(Control::Label11), L"△△△△△△△△△△△△△△△△△△△△");
}

TEST_F(Progress, CountZeroFillsTheRowAndCurrentAboveCountIsCapped) {
  rows.progress(L"Label9", 10, L"●", 3, 0);
  EXPECT_EQ(form.caption(Control::Label9), L"●●●●●●●●●●");
  rows.progress(L"Label9", 10, L"○", 10, 10);
  rows.progress(L"Label9", 10, L"●", 50, 10);
  EXPECT_EQ(form.caption(Control::Label9), L"●●●●●●●●●●");
  // A total larger than the row never makes the caption longer.
  rows.progress(L"Label9", 40, L"○", 40, 40);
  EXPECT_EQ(form.caption(Control::Label9), L"○○○○○○○○○○");
}

TEST_F(Progress, NothingToDrawMeansNoRepaintButTheRowIsShown) {
  form.setVisible(Control::Label11, false);
  rows.progress(L"Label11", 20, L"▼", 0, 30);
  rows.progress(L"Label11", 20, L"▼", -5, 30);
  EXPECT_TRUE(form.visible(Control::Label11));
  EXPECT_EQ(form.repaintCount(Control::Label11), 0u);
  EXPECT_EQ(form.caption(Control::Label11), designCaption(Control::Label11));

  rows.progress(L"Label11", 20, L"▼", 10, 40);
  rows.progress(L"Label11", 20, L"▼", 10, 40);
  rows.progress(L"Label11", 20, L"▼", 11, 40);  // still five marks
  EXPECT_EQ(form.repaintCount(Control::Label11), 1u);
}

TEST_F(Progress, RowNameIgnoresCaseAndOtherNamesDoNothing) {
  rows.progress(L"label9", 10, L"●", 2, 10);
  EXPECT_EQ(form.caption(Control::Label9), L"●●○○○○○○○○");
  rows.progress(L"Label1", 10, L"●", 5, 10);
  EXPECT_EQ(form.caption(Control::Label1), designCaption(Control::Label1));
  EXPECT_EQ(form.repaintCount(Control::Label1), 0u);
}

}  // namespace
}  // namespace vemdrol
