#include "app/form_design.h"

namespace vemdrol {

TwipsRect designBounds(Control control) {
  switch (control) {
    case Control::window:
      return {0, 0, designClientSize.width, designClientSize.height};
    case Control::titleLabel:
      return {360, 120, 4650, 435};
    case Control::searchBox:
      return {5520, 240, 4935, 270};
    case Control::searchDownButton:
      return {10560, 200, 375, 375};
    case Control::searchUpButton:
      return {11040, 200, 375, 375};
    case Control::rebuildButton:
      return {12840, 120, 1815, 500};
    case Control::list:
      return {480, 720, 14895, 7815};
    case Control::statusLabel:
      return {240, 8760, 375, 195};
    case Control::passMarks:
      return {11520, 9000, 1935, 195};
    case Control::stepMarks:
      return {13560, 8880, 1815, 345};
  }
  return {};
}

TextView designCaption(Control control) {
  switch (control) {
    case Control::window:
      return L"Vemdrol";
    case Control::rebuildButton:
      return L"再作成";
    case Control::searchDownButton:
      return L"▼";
    case Control::searchUpButton:
      return L"▲";
    case Control::statusLabel:
      return L"???";
    case Control::titleLabel:
      return L"アプリケーション一覧";
    case Control::passMarks:
      return L"○○○○○○○○○○";
    case Control::stepMarks:
      return L"△△△△△△△△△△△△△△△△△△△△";
    case Control::list:
    case Control::searchBox:
      break;
  }
  return L"";
}

TextView designTooltip(Control control) {
  switch (control) {
    case Control::searchDownButton:
      return L"下方向へ検索";
    case Control::searchUpButton:
      return L"上方向へ検索";
    case Control::searchBox:
      return L"検索用ワードの指定";
    default:
      return L"";
  }
}

namespace {

const wchar_t* const mincho = L"ＭＳ 明朝";
const wchar_t* const gothic = L"ＭＳ ゴシック";
const wchar_t* const proportionalGothic = L"ＭＳ Ｐゴシック";

}  // namespace

FontDesign designFont(Control control) {
  switch (control) {
    case Control::window:
      return {gothic, 9, false};
    case Control::titleLabel:
      return {mincho, 21.75, true};
    case Control::searchBox:
    case Control::searchDownButton:
    case Control::searchUpButton:
      return {mincho, 9, false};
    case Control::rebuildButton:
      return {gothic, 20.25, true};
    case Control::list:
      return {gothic, 12, false};
    case Control::statusLabel:
      return {mincho, 9.75, false};
    case Control::passMarks:
      return {proportionalGothic, 9, false};
    case Control::stepMarks:
      return {gothic, 8.25, false};
  }
  return {gothic, 9, false};
}

const std::vector<const wchar_t*>& fontFallbacks(const wchar_t* face) {
  static const std::vector<const wchar_t*> serif = {
      L"MS Mincho",         L"ＭＳ Ｐ明朝",      L"MS PMincho", L"Yu Mincho",    L"IPAMincho",
      L"Noto Serif CJK JP", L"Noto Sans CJK JP", L"IPAGothic",  L"MS UI Gothic", L"Meiryo"};
  static const std::vector<const wchar_t*> sans = {L"MS Gothic",
                                                   L"ＭＳ Ｐゴシック",
                                                   L"MS PGothic",
                                                   L"Meiryo",
                                                   L"Yu Gothic",
                                                   L"MS UI Gothic",
                                                   L"IPAGothic",
                                                   L"Noto Sans CJK JP",
                                                   L"Noto Sans Mono CJK JP",
                                                   L"Noto Serif CJK JP",
                                                   L"IPAMincho"};
  static const std::vector<const wchar_t*> proportional = {
      L"MS PGothic",   L"ＭＳ ゴシック", L"MS Gothic", L"Meiryo",           L"Yu Gothic",
      L"MS UI Gothic", L"IPAPGothic",    L"IPAGothic", L"Noto Sans CJK JP", L"Noto Serif CJK JP"};
  if (equalNoCase(face, mincho)) return serif;
  if (equalNoCase(face, proportionalGothic)) return proportional;
  return sans;
}

std::optional<unsigned long> designTextColour(Control control) {
  switch (control) {
    case Control::statusLabel:
      return 0x000000FFul;  // red
    case Control::passMarks:
    case Control::stepMarks:
      return 0x00FF0000ul;  // blue
    default:
      return std::nullopt;
  }
}

void applyDesign(Form& form) {
  for (std::size_t i = 0; i < controlCount; ++i) {
    const auto control = static_cast<Control>(i);
    form.setCaption(control, designCaption(control));
    if (control != Control::window) form.setBounds(control, designBounds(control));
  }
}

}  // namespace vemdrol
