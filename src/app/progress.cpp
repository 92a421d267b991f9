#include "app/progress.h"

#include <cmath>
#include <type_traits>

#include "cli/failure_text.h"

namespace vemdrol {

namespace {

constexpr TextView passDone = L"●";
constexpr TextView passWaiting = L"○";
constexpr TextView stepDone = L"▼";
constexpr TextView stepWaiting = L"△";
constexpr double passMarks = 10;
constexpr double stepMarks = 20;

constexpr TextView versionsText = L"バージョンの再作成中";
constexpr TextView appsText = L"アプリ一覧の再作成中";
constexpr TextView folderScanSuffix = L"内の調査";

Control controlOf(MarkRow row) {
  return row == MarkRow::passes ? Control::passMarks : Control::stepMarks;
}

// The status line's text at the end of each of the builder's passes.
TextView passEndText(BuildPass pass) {
  switch (pass) {
    case BuildPass::first:
      return L"１回目の実行";
    case BuildPass::second:
      return L"２回目の処理";
    case BuildPass::third:
      return L"３回目の処理";
    case BuildPass::fourth:
      return L"４回目の処理";
    case BuildPass::fifth:
      return L"５回目の処理";
    case BuildPass::fifthSorted:
      return L"５回目ソート後の処理";
    case BuildPass::sixth:
      return L"６回目の処理";
    case BuildPass::seventh:
      return L"７回目の処理";
    case BuildPass::eighth:
      return L"８回目の処理";
    case BuildPass::ninth:
      return L"９回目の処理";
    case BuildPass::closing:
      break;
  }
  return L"９回目最終回の処理";
}

}  // namespace

void ProgressRows::progress(MarkRow row, double total, TextView mark, double current,
                            double count) {
  double marks = count == 0 ? total : std::floor(total * current / count);
  if (marks > total) marks = total;
  // No lower bound: zero or fewer marks write nothing (the caption stays),
  // but the row is still made visible below.
  // Clamped before the conversion, which is undefined for huge values; the
  // caption's length caps it further below.
  if (marks > 1e9) marks = 1e9;
  std::size_t n = marks > 0 ? static_cast<std::size_t>(marks) : 0;

  const Control label = controlOf(row);
  const std::size_t slot = row == MarkRow::passes ? 0 : 1;

  if (!form_.visible(label)) form_.setVisible(label, true);

  if (!captions_[slot]) captions_[slot] = form_.caption(label);
  Text& caption = *captions_[slot];
  // A caption keeps its length, whatever total a caller passes.
  const std::size_t fits = mark.empty() ? 0 : caption.size() / mark.size();
  if (n > fits) n = fits;
  const std::size_t length = n * mark.size();
  bool same = true;
  for (std::size_t i = 0; same && i < length; ++i) {
    same = foldCase(caption[i]) == foldCase(mark[i % mark.size()]);
  }
  if (same) return;

  Text updated;
  updated.reserve(caption.size());
  for (std::size_t i = 0; i < n; ++i) updated += mark;
  updated.append(caption, length, Text::npos);
  caption = std::move(updated);
  form_.setCaption(label, caption);
  form_.repaint(label);
}

void FormFailureReport::failed(const Failure& failure) {
  form_.setCaption(Control::statusLabel, failureText(failure));
}

void FormScanView::showStatus(TextView text) {
  form_.setCaption(Control::statusLabel, text);
  form_.repaint(Control::statusLabel);
}

void FormScanView::showRows(bool visible) {
  form_.setVisible(Control::passMarks, visible);
  form_.setVisible(Control::stepMarks, visible);
}

void FormScanView::failed(const Failure& failure) { showStatus(failureText(failure)); }

void FormScanView::onBuild(const BuildEvent& event) {
  std::visit(
      [this](const auto& happened) {
        using Event = std::decay_t<decltype(happened)>;
        if constexpr (std::is_same_v<Event, BuildStarted>) {
          services_.setScreenPointer(Pointer::hourglass);
        } else if constexpr (std::is_same_v<Event, BuildEnded>) {
          services_.setScreenPointer(Pointer::standard);
        } else if constexpr (std::is_same_v<Event, BuildFinishing>) {
          showRows(false);
        } else if constexpr (std::is_same_v<Event, PassesDone>) {
          rows_.progress(MarkRow::passes, passMarks, passDone, happened.tenths, 10);
        } else if constexpr (std::is_same_v<Event, PassesReset>) {
          rows_.progress(MarkRow::passes, passMarks, passWaiting, passMarks, passMarks);
        } else if constexpr (std::is_same_v<Event, StepReached>) {
          rows_.progress(MarkRow::steps, stepMarks, stepDone, static_cast<double>(happened.step),
                         static_cast<double>(happened.last));
        } else if constexpr (std::is_same_v<Event, StepsReset>) {
          rows_.progress(MarkRow::steps, stepMarks, stepWaiting, stepMarks, stepMarks);
        } else {
          static_assert(std::is_same_v<Event, PassEnded>);
          showStatus(passEndText(happened.pass));
        }
      },
      event);
}

void FormScanView::onScan(const ScanEvent& event) {
  std::visit(
      [this](const auto& happened) {
        using Event = std::decay_t<decltype(happened)>;
        if constexpr (std::is_same_v<Event, ScanStarted>) {
          showRows(true);
        } else if constexpr (std::is_same_v<Event, VersionsStarted>) {
          showStatus(versionsText);
        } else if constexpr (std::is_same_v<Event, FolderScanStarted>) {
          showStatus(happened.folder + Text(folderScanSuffix));
        } else if constexpr (std::is_same_v<Event, VersionTextsFailed>) {
          showStatus(happened.message);
        } else if constexpr (std::is_same_v<Event, AppsStarted>) {
          showStatus(appsText);
        } else if constexpr (std::is_same_v<Event, RebuildFinished>) {
          showStatus(rebuildFinishedText);
        } else {
          static_assert(std::is_same_v<Event, ScanEnded>);
          showRows(false);
        }
      },
      event);
}

void FormScanView::letEventsRun() { services_.runPendingEvents(); }

}  // namespace vemdrol
