#include "app/progress.h"

#include <gtest/gtest.h>

#include <variant>

#include "app/form_design.h"
#include "app/memory_form.h"
#include "os/memory/window.h"

namespace vemdrol {
namespace {

struct Progress : ::testing::Test {
  Progress() { applyDesign(form); }
  MemoryForm form;
  ProgressRows rows{form};
};

TEST_F(Progress, MarksReplaceTheLeadingCharactersOnly) {
  rows.progress(MarkRow::steps, 20, L"▼", 7, 30);  // floor(4.67)
  EXPECT_EQ(form.caption(Control::stepMarks), L"▼▼▼▼△△△△△△△△△△△△△△△△");
  EXPECT_EQ(form.repaintCount(Control::stepMarks), 1u);

  // A smaller count later never takes marks away; only a reset does.
  rows.progress(MarkRow::steps, 20, L"▼", 1, 30);
  EXPECT_EQ(form.caption(Control::stepMarks), L"▼▼▼▼△△△△△△△△△△△△△△△△");
  rows.progress(MarkRow::steps, 20, L"△", 20, 20);
  EXPECT_EQ(form.caption(Control::stepMarks), L"△△△△△△△△△△△△△△△△△△△△");
}

TEST_F(Progress, CountZeroFillsTheRowAndCurrentAboveCountIsCapped) {
  rows.progress(MarkRow::passes, 10, L"●", 3, 0);
  EXPECT_EQ(form.caption(Control::passMarks), L"●●●●●●●●●●");
  rows.progress(MarkRow::passes, 10, L"○", 10, 10);
  rows.progress(MarkRow::passes, 10, L"●", 50, 10);
  EXPECT_EQ(form.caption(Control::passMarks), L"●●●●●●●●●●");
  // A total larger than the row never makes the caption longer.
  rows.progress(MarkRow::passes, 40, L"○", 40, 40);
  EXPECT_EQ(form.caption(Control::passMarks), L"○○○○○○○○○○");
}

TEST_F(Progress, NothingToDrawMeansNoRepaintButTheRowIsShown) {
  form.setVisible(Control::stepMarks, false);
  rows.progress(MarkRow::steps, 20, L"▼", 0, 30);
  rows.progress(MarkRow::steps, 20, L"▼", -5, 30);
  EXPECT_TRUE(form.visible(Control::stepMarks));
  EXPECT_EQ(form.repaintCount(Control::stepMarks), 0u);
  EXPECT_EQ(form.caption(Control::stepMarks), designCaption(Control::stepMarks));

  rows.progress(MarkRow::steps, 20, L"▼", 10, 40);
  rows.progress(MarkRow::steps, 20, L"▼", 10, 40);
  rows.progress(MarkRow::steps, 20, L"▼", 11, 40);  // still five marks
  EXPECT_EQ(form.repaintCount(Control::stepMarks), 1u);
  // The other row is untouched.
  EXPECT_EQ(form.caption(Control::passMarks), designCaption(Control::passMarks));
}

// A scan's events in the order a scan reports them, and what the window
// shows after each: the status line, both rows of marks, whether the rows
// show and the screen's pointer.
TEST(ScanView, EventsBecomeTheWindowsMarksTextsAndPointer) {
  using Reported = std::variant<BuildEvent, ScanEvent, Failure>;
  struct Step {
    Reported event;
    const wchar_t* status;
    const wchar_t* passes;
    const wchar_t* steps;
    bool rowsShown;
    Pointer pointer;
  };
  const wchar_t* const noPasses = L"○○○○○○○○○○";
  const wchar_t* const noSteps = L"△△△△△△△△△△△△△△△△△△△△";
  const Step steps[] = {
      {ScanStarted{}, L"???", noPasses, noSteps, true, Pointer::standard},
      {PassesReset{}, L"???", noPasses, noSteps, true, Pointer::standard},
      {StepsReset{}, L"???", noPasses, noSteps, true, Pointer::standard},
      {BuildStarted{}, L"???", noPasses, noSteps, true, Pointer::hourglass},
      {PassesDone{2}, L"???", L"●●○○○○○○○○", noSteps, true, Pointer::hourglass},
      {StepReached{7, 30}, L"???", L"●●○○○○○○○○", L"▼▼▼▼△△△△△△△△△△△△△△△△", true,
       Pointer::hourglass},
      {PassEnded{BuildPass::first}, L"１回目の実行", L"●●○○○○○○○○", L"▼▼▼▼△△△△△△△△△△△△△△△△", true,
       Pointer::hourglass},
      {Failure{Procedure::listKey, Error{.number = 5, .description = L"拒否"}},
       L"inslist 5 内容=拒否", L"●●○○○○○○○○", L"▼▼▼▼△△△△△△△△△△△△△△△△", true, Pointer::hourglass},
      {StepsReset{}, L"inslist 5 内容=拒否", L"●●○○○○○○○○", noSteps, true, Pointer::hourglass},
      {PassesDone{10}, L"inslist 5 内容=拒否", L"●●●●●●●●●●", noSteps, true, Pointer::hourglass},
      {StepReached{3, 3}, L"inslist 5 内容=拒否", L"●●●●●●●●●●", L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼", true,
       Pointer::hourglass},
      {PassesReset{}, L"inslist 5 内容=拒否", noPasses, L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼", true,
       Pointer::hourglass},
      {BuildFinishing{}, L"inslist 5 内容=拒否", noPasses, L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼", false,
       Pointer::hourglass},
      {PassEnded{BuildPass::closing}, L"９回目最終回の処理", noPasses, L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼",
       false, Pointer::hourglass},
      {BuildEnded{}, L"９回目最終回の処理", noPasses, L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼", false,
       Pointer::standard},
      {VersionsStarted{}, L"バージョンの再作成中", noPasses, L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼", false,
       Pointer::standard},
      {VersionTextsFailed{L"WVerINformationExit 5 内容=拒否"}, L"WVerINformationExit 5 内容=拒否",
       noPasses, L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼", false, Pointer::standard},
      {FolderScanStarted{L"C:\\WINDOWS\\"}, L"C:\\WINDOWS\\内の調査", noPasses,
       L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼", false, Pointer::standard},
      {RebuildFinished{}, L"再作成終了", noPasses, L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼", false,
       Pointer::standard},
      {ScanStarted{}, L"再作成終了", noPasses, L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼", true, Pointer::standard},
      {ScanEnded{}, L"再作成終了", noPasses, L"▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼▼", false, Pointer::standard},
  };
  MemoryForm form;
  applyDesign(form);
  form.setVisible(Control::passMarks, false);
  form.setVisible(Control::stepMarks, false);
  MemoryWindowServices services;
  FormScanView view(form, services);
  std::size_t statusShown = 0;
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const Step& step = steps[i];
    const Text before = form.caption(Control::statusLabel);
    if (const auto* event = std::get_if<BuildEvent>(&step.event)) view.onBuild(*event);
    if (const auto* event = std::get_if<ScanEvent>(&step.event)) view.onScan(*event);
    if (const auto* failure = std::get_if<Failure>(&step.event)) view.failed(*failure);
    SCOPED_TRACE(i);
    EXPECT_EQ(form.caption(Control::statusLabel), step.status);
    EXPECT_EQ(form.caption(Control::passMarks), step.passes);
    EXPECT_EQ(form.caption(Control::stepMarks), step.steps);
    EXPECT_EQ(form.visible(Control::passMarks), step.rowsShown);
    EXPECT_EQ(form.visible(Control::stepMarks), step.rowsShown);
    EXPECT_EQ(services.screenPointer, step.pointer);
    // Every status text is drawn at once: the event loop is busy meanwhile.
    if (form.caption(Control::statusLabel) != before) ++statusShown;
    EXPECT_EQ(form.repaintCount(Control::statusLabel), statusShown);
  }
}

TEST(ScanView, EachPassAndEachProcedureHasItsWords) {
  MemoryForm form;
  MemoryWindowServices services;
  FormScanView view(form, services);
  const std::pair<BuildPass, const wchar_t*> passes[] = {
      {BuildPass::first, L"１回目の実行"},
      {BuildPass::second, L"２回目の処理"},
      {BuildPass::third, L"３回目の処理"},
      {BuildPass::fourth, L"４回目の処理"},
      {BuildPass::fifth, L"５回目の処理"},
      {BuildPass::fifthSorted, L"５回目ソート後の処理"},
      {BuildPass::sixth, L"６回目の処理"},
      {BuildPass::seventh, L"７回目の処理"},
      {BuildPass::eighth, L"８回目の処理"},
      {BuildPass::ninth, L"９回目の処理"},
      {BuildPass::closing, L"９回目最終回の処理"},
  };
  for (const auto& [pass, text] : passes) {
    view.onBuild(PassEnded{pass});
    EXPECT_EQ(form.caption(Control::statusLabel), text);
  }
  const Error error{.number = 7, .description = L"メモリが不足しています。"};
  const std::pair<Procedure, const wchar_t*> procedures[] = {
      {Procedure::scan, L"7 内容=メモリが不足しています。"},
      {Procedure::buildInventory, L"InsMake 7 内容=メモリが不足しています。"},
      {Procedure::listKey, L"inslist 7 内容=メモリが不足しています。"},
      {Procedure::endPass, L"WPrint 7 内容=メモリが不足しています。"},
      {Procedure::loadInventory, L"CntRead 7 内容=メモリが不足しています。"},
      {Procedure::saveInventory, L"CntWrite 7 内容=メモリが不足しています。"},
  };
  FormFailureReport loading(form);
  for (const auto& [procedure, text] : procedures) {
    view.failed(Failure{procedure, error});
    EXPECT_EQ(form.caption(Control::statusLabel), text);
    form.setCaption(Control::statusLabel, L"");
    // At start-up the same words, drawn when start-up is done.
    const std::size_t repaints = form.repaintCount(Control::statusLabel);
    loading.failed(Failure{procedure, error});
    EXPECT_EQ(form.caption(Control::statusLabel), text);
    EXPECT_EQ(form.repaintCount(Control::statusLabel), repaints);
  }
}

}  // namespace
}  // namespace vemdrol
