#include "app/layout.h"

#include <gtest/gtest.h>

#include "app/form_design.h"
#include "app/memory_form.h"

namespace vemdrol {
namespace {

MemoryForm designedForm(long width, long height) {
  MemoryForm form({width, height});
  applyDesign(form);
  return form;
}

TEST(ResizeLayout, ListAndStatusLineFollowTheWindow) {
  MemoryForm form = designedForm(12000, 9000);
  applyResizeLayout(form);

  const TwipsRect list = form.bounds(Control::list);
  EXPECT_EQ(list.height, 6900);
  EXPECT_EQ(list.width, 11300);
  EXPECT_EQ(list.left, 480);
  EXPECT_EQ(list.top, 720);

  const TwipsRect status = form.bounds(Control::statusLabel);
  EXPECT_EQ(status.top, 8000 - status.height);
  EXPECT_EQ(form.bounds(Control::passMarks).top, status.top);
  EXPECT_EQ(form.bounds(Control::stepMarks).top, status.top);
  // The rows keep their left edges and sizes.
  EXPECT_EQ(form.bounds(Control::passMarks).left, 11520);
  EXPECT_EQ(form.bounds(Control::stepMarks).height, 345);

  for (Control fixed : {Control::titleLabel, Control::searchBox, Control::rebuildButton,
                        Control::searchDownButton, Control::searchUpButton}) {
    EXPECT_EQ(form.bounds(fixed), designBounds(fixed));
  }
}

TEST(ResizeLayout, LimitsLeaveTheControlsAlone) {
  MemoryForm form = designedForm(700, 1400);
  applyResizeLayout(form);
  EXPECT_EQ(form.bounds(Control::list), designBounds(Control::list));
  EXPECT_EQ(form.bounds(Control::statusLabel), designBounds(Control::statusLabel));
  EXPECT_EQ(form.bounds(Control::passMarks), designBounds(Control::passMarks));

  // One twip past each limit changes the list.
  MemoryForm larger = designedForm(701, 1401);
  applyResizeLayout(larger);
  EXPECT_EQ(larger.bounds(Control::list).width, 1);
  EXPECT_EQ(larger.bounds(Control::statusLabel).top, 401 - 195);
}

TEST(ResizeLayout, ShortWindowGivesAnEmptyListNotANegativeOne) {
  for (long height : {1401L, 1800L, 2099L, 2100L}) {
    MemoryForm form = designedForm(12000, height);
    applyResizeLayout(form);
    EXPECT_EQ(form.bounds(Control::list).height, 0) << height;
  }
  MemoryForm form = designedForm(12000, 2101);
  applyResizeLayout(form);
  EXPECT_EQ(form.bounds(Control::list).height, 1);
}

TEST(ResizeLayout, MinimisedWindowChangesNothing) {
  MemoryForm form = designedForm(12000, 9000);
  form.setMinimized(true);
  applyResizeLayout(form);
  for (std::size_t i = 1; i < controlCount; ++i) {
    const auto control = static_cast<Control>(i);
    EXPECT_EQ(form.bounds(control), designBounds(control));
  }
}

TEST(Centring, HalvesTheRoundedDifferenceTowardZero) {
  const TwipsRect window{100, 200, 15480, 9945};
  TwipsRect placed = centredOnScreen(window, {19200, 14400});
  EXPECT_EQ(placed.left, 1860);
  EXPECT_EQ(placed.top, 2227);  // 4455 / 2, truncated
  EXPECT_EQ(placed.width, window.width);
  EXPECT_EQ(placed.height, window.height);

  // A window larger than the screen: the negative difference is truncated
  // toward zero, not rounded down.
  placed = centredOnScreen({0, 0, 20001, 15001}, {19200, 14400});
  EXPECT_EQ(placed.left, -400);
  EXPECT_EQ(placed.top, -300);
}

TEST(WorkArea, WindowShrinksToItAndMovesJustInside) {
  // A task bar at the top: the work area starts below it.
  const TwipsRect area{0, 600, 19200, 13200};
  EXPECT_EQ(fittedToWorkArea({100, 700, 19200, 13200}, area), (TwipsRect{0, 600, 19200, 13200}));
  EXPECT_EQ(fittedToWorkArea({100, 700, 19201, 13201}, area), (TwipsRect{0, 600, 19200, 13200}));
  // Inside already: untouched; one twip past an edge: moved one twip.
  EXPECT_EQ(fittedToWorkArea({0, 600, 15480, 9945}, area), (TwipsRect{0, 600, 15480, 9945}));
  EXPECT_EQ(fittedToWorkArea({3721, 3856, 15480, 9945}, area),
            (TwipsRect{3720, 3855, 15480, 9945}));
  EXPECT_EQ(fittedToWorkArea({-1, 599, 15480, 9945}, area), (TwipsRect{0, 600, 15480, 9945}));
  // A second monitor left of the first.
  EXPECT_EQ(fittedToWorkArea({-25000, 0, 15480, 9945}, {-19200, 0, 19200, 14000}),
            (TwipsRect{-19200, 0, 15480, 9945}));
}

}  // namespace
}  // namespace vemdrol
