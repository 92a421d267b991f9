#include "app/form_design.h"

namespace vemdrol {

TwipsRect designBounds(Control control) {
  switch (control) {
    case Control::Form1:
      return {0, 0, designClientSize.width, designClientSize.height};
    case Control::Label2:
      return {360, 120, 4650, 435};
    case Control::Text1:
      return {5520, 240, 4935, 270};
    case Control::Command2:
      return {10560, 200, 375, 375};
    case Control::Command3:
      return {11040, 200, 375, 375};
    case Control::Command1:
      return {12840, 120, 1815, 500};
    case Control::ListView1:
      return {480, 720, 14895, 7815};
    case Control::Label1:
      return {240, 8760, 375, 195};
    case Control::Label9:
      return {11520, 9000, 1935, 195};
    case Control::Label11:
      return {13560, 8880, 1815, 345};
  }
  return {};
}

TextView designCaption(Control control) {
  switch (control) {
    case Control::Form1:
      return L"Vemdrol";
    case Control::Command1:
      return L"再作成";
    case Control::Command2:
      return L"▼";
    case Control::Command3:
      return L"▲";
    case Control::Label1:
      return L"???";
    case Control::Label2:
      return L"アプリケーション一覧";
    case Control::Label9:
      return L"○○○○○○○○○○";
    case Control::Label11:
      return L"△△△△△△△△△△△△△△△△△△△△";
    case Control::ListView1:
    case Control::Text1:
      break;
  }
  return L"";
}

TextView designTooltip(Control control) {
  switch (control) {
    case Control::Command2:
      return L"下方向へ検索";
    case Control::Command3:
      return L"上方向へ検索";
    case Control::Text1:
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
    case Control::Form1:
      return {gothic, 9, false};
    case Control::Label2:
      return {mincho, 21.75, true};
    case Control::Text1:
    case Control::Command2:
    case Control::Command3:
      return {mincho, 9, false};
    case Control::Command1:
      return {gothic, 20.25, true};
    case Control::ListView1:
      return {gothic, 12, false};
    case Control::Label1:
      return {mincho, 9.75, false};
    case Control::Label9:
      return {proportionalGothic, 9, false};
    case Control::Label11:
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
    case Control::Label1:
      return 0x000000FFul;  // red
    case Control::Label9:
    case Control::Label11:
      return 0x00FF0000ul;  // blue
    default:
      return std::nullopt;
  }
}

void applyDesign(Form& form) {
  for (std::size_t i = 0; i < controlCount; ++i) {
    const auto control = static_cast<Control>(i);
    form.setCaption(control, designCaption(control));
    if (control != Control::Form1) form.setBounds(control, designBounds(control));
  }
}

}  // namespace vemdrol
