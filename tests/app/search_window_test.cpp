#include "app/search_window.h"

#include <gtest/gtest.h>

#include "app/form_design.h"
#include "app/memory_form.h"
#include "os/memory/window.h"

namespace vemdrol {
namespace {

// Each direction has its own button and its own question; the list's
// pointer goes with either.
TEST(SearchWindow, EachDirectionHasItsButtonAndItsQuestion) {
  struct Case {
    SearchDirection direction;
    Control button;
    Control other;
    TextView question;
  };
  const Case cases[] = {
      {SearchDirection::down, Control::searchDownButton, Control::searchUpButton,
       searchedToEndQuestion},
      {SearchDirection::up, Control::searchUpButton, Control::searchDownButton,
       searchedToStartQuestion},
  };
  for (const Case& c : cases) {
    MemoryForm form;
    applyDesign(form);
    MemoryWindowServices services;
    FormSearchWindow window(form, services);
    window.showSearching(c.direction, true);
    EXPECT_EQ(form.pointer(Control::list), Pointer::hourglass);
    EXPECT_EQ(form.pointer(c.button), Pointer::hourglass);
    EXPECT_EQ(form.pointer(c.other), Pointer::standard);
    window.showSearching(c.direction, false);
    EXPECT_EQ(form.pointer(Control::list), Pointer::arrow);
    EXPECT_EQ(form.pointer(c.button), Pointer::arrow);

    services.answers = {false, true};
    EXPECT_FALSE(window.askToWrap(c.direction));
    EXPECT_TRUE(window.askToWrap(c.direction));
    ASSERT_EQ(services.questions.size(), 2u);
    EXPECT_EQ(services.questions[0].title, L"Vemdrol");
    EXPECT_EQ(services.questions[0].text, c.question);
  }
}

TEST(SearchWindow, WordMessageAndHitGoThroughTheForm) {
  MemoryForm form;
  applyDesign(form);
  MemoryWindowServices services;
  FormSearchWindow window(form, services);
  form.setCaption(Control::searchBox, L"notepad");
  EXPECT_EQ(window.searchWord(), L"notepad");
  window.sayNoSearchWord();
  EXPECT_EQ(form.caption(Control::statusLabel), L"検索キーの指定がありません");
  window.clearSearchMessage();
  EXPECT_EQ(form.caption(Control::statusLabel), L"");
  window.hitSelected();
  EXPECT_EQ(form.listExtendedStyle() & 0x20, 0x20u);
}

}  // namespace
}  // namespace vemdrol
