// The search as the main window shows it: the word from the search box, the
// hourglass over the list and the button clicked, the status line's message
// and the question at the end of the list.
#pragma once

#include <functional>

#include "app/form.h"
#include "search/list_search.h"

namespace vemdrol {

inline constexpr TextView emptySearchWordMessage = L"検索キーの指定がありません";
inline constexpr TextView searchedToEndQuestion =
    L"最後まで検索しました。続ける場合(はい)は先頭から始めます";
inline constexpr TextView searchedToStartQuestion =
    L"最初まで検索しました。続ける場合(はい)は最後から始めます";

class FormSearchWindow final : public SearchWindow {
 public:
  FormSearchWindow(Form& form, WindowServices& services) : form_(form), services_(services) {}

  // What the status line says when no message is due, in place of the
  // message a search clears: the list's count, so that it stays in sight.
  void setRestingStatus(std::function<Text()> resting) { resting_ = std::move(resting); }

  Text searchWord() const override;
  void showSearching(SearchDirection direction, bool searching) override;
  void clearSearchMessage() override;
  void sayNoSearchWord() override;
  bool askToWrap(SearchDirection direction) override;
  void hitSelected() override;

 private:
  Form& form_;
  WindowServices& services_;
  std::function<Text()> resting_;
};

}  // namespace vemdrol
