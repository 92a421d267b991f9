#include "app/form1_win32.h"

#include <cmath>
#include <map>

#include "app/form_design.h"

namespace vemdrol {

namespace {

const wchar_t* const windowClassName = L"VemdrolForm1";
constexpr int firstControlId = 100;
constexpr UINT_PTR timer1Id = 1;

int CALLBACK noteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool fontInstalled(const wchar_t* face) {
  static std::map<Text, bool> known;
  const auto cached = known.find(face);
  if (cached != known.end()) return cached->second;
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  WindowDC screen(nullptr);
  EnumFontFamiliesExW(screen.get(), &wanted, noteFontFound, reinterpret_cast<LPARAM>(&found), 0);
  known.emplace(face, found);
  return found;
}

const wchar_t* installedFace(const wchar_t* designFace) {
  if (fontInstalled(designFace)) return designFace;
  for (const wchar_t* fallback : fontFallbacks(designFace)) {
    if (fontInstalled(fallback)) return fallback;
  }
  // Nothing Japanese is installed: the font mapper picks what it can.
  return designFace;
}

const wchar_t* windowClassOf(Control control) {
  switch (control) {
    case Control::ListView1:
      return WC_LISTVIEWW;
    case Control::Command1:
    case Control::Command2:
    case Control::Command3:
      return L"BUTTON";
    case Control::Text1:
      return L"EDIT";
    default:
      return L"STATIC";
  }
}

DWORD styleOf(Control control) {
  const DWORD child = WS_CHILD | WS_VISIBLE;
  switch (control) {
    case Control::ListView1:
      return child | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS;
    case Control::Command1:
    case Control::Command2:
    case Control::Command3:
      return child | WS_TABSTOP | BS_PUSHBUTTON;
    case Control::Text1:
      return child | WS_TABSTOP | ES_AUTOHSCROLL;
    case Control::Label1:
    case Control::Label2:
      return child | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    default:
      return child | SS_LEFT | SS_NOPREFIX;
  }
}

DWORD extendedStyleOf(Control control) {
  return control == Control::ListView1 || control == Control::Text1 ? WS_EX_CLIENTEDGE : 0;
}

HCURSOR cursorOf(Pointer pointer) {
  return LoadCursorW(nullptr, pointer == Pointer::hourglass ? IDC_WAIT : IDC_ARROW);
}

}  // namespace

Form1::Form1(HINSTANCE instance, WindowServices& services)
    : instance_(instance), core_(*this, services) {
  visible_.fill(true);
  pointers_.fill(Pointer::standard);
}

Form1::~Form1() {
  core_.list().setObserver(nullptr);
  if (window_) {
    destroying_ = true;
    DestroyWindow(window_);
  }
}

Status Form1::create() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (!GetClassInfoExW(instance_, windowClassName, &windowClass)) {
    windowClass = WNDCLASSEXW{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = windowClassName;
    if (!RegisterClassExW(&windowClass)) return lastWindowsError();
  }

  RECT outer{0, 0, scale_.toPixelsX(designClientSize.width),
             scale_.toPixelsY(designClientSize.height)};
  AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0);
  const Text title(designCaption(Control::Form1));
  window_ = CreateWindowExW(0, windowClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                            nullptr, nullptr, instance_, this);
  if (!window_) return lastWindowsError();
  return success();
}

void Form1::load() {
  core_.load();
  if (visible_[slot(Control::Form1)]) {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
  }
}

HWND Form1::controlHandle(Control control) const {
  return control == Control::Form1 ? window_ : controls_[slot(control)];
}

Text Form1::fontFace(Control control) const { return fontFaces_[slot(control)]; }

LRESULT CALLBACK Form1::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* form = static_cast<Form1*>(create->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  return form->handle(message, wParam, lParam);
}

LRESULT Form1::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return onCreate();
    case WM_SIZE:
      onSize(wParam);
      return 0;
    case WM_COMMAND:
      onCommand(wParam, lParam);
      return 0;
    case WM_NOTIFY:
      return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_TIMER:
      if (wParam == timer1Id) onTimer();
      return 0;
    case WM_CTLCOLORSTATIC:
      return onColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (onSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
      break;
    case WM_DESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      if (!destroying_) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT Form1::onCreate() {
  createFonts();
  createChildren();
  addTooltips();
  applyDesign(*this);
  core_.list().setObserver(this);
  layoutChildren();
  return 0;
}

void Form1::createFonts() {
  // The form itself draws no text; only its controls get fonts.
  for (std::size_t i = 1; i < controlCount; ++i) {
    const FontDesign design = designFont(static_cast<Control>(i));
    const wchar_t* face = installedFace(design.face);
    LOGFONTW font{};
    font.lfHeight = -static_cast<LONG>(std::lround(design.points * scale_.dpiY() / 72.0));
    font.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    fonts_[i] = FontHandle(CreateFontIndirectW(&font));
    fontFaces_[i] = face;
  }
}

void Form1::createChildren() {
  for (std::size_t i = 1; i < controlCount; ++i) {
    const auto control = static_cast<Control>(i);
    controls_[i] = CreateWindowExW(extendedStyleOf(control), windowClassOf(control), L"",
                                   styleOf(control), 0, 0, 0, 0, window_,
                                   reinterpret_cast<HMENU>(firstControlId + i), instance_, nullptr);
    SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i].get()), FALSE);
  }
}

void Form1::addTooltips() {
  tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                              nullptr, instance_, nullptr);
  if (!tooltips_) return;
  for (std::size_t i = 1; i < controlCount; ++i) {
    // The tooltip texts are literals, so their storage outlives the tool.
    const TextView tip = designTooltip(static_cast<Control>(i));
    if (tip.empty()) continue;
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(controls_[i]);
    tool.lpszText = const_cast<wchar_t*>(tip.data());
    SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Form1::layoutChildren() {
  for (std::size_t i = 1; i < controlCount; ++i) {
    if (!controls_[i]) continue;
    const TwipsRect& place = bounds_[i];
    MoveWindow(controls_[i], scale_.toPixelsX(place.left), scale_.toPixelsY(place.top),
               scale_.toPixelsX(place.width), scale_.toPixelsY(place.height), TRUE);
  }
}

void Form1::onSize(WPARAM kind) {
  if (kind == SIZE_MINIMIZED) return;
  core_.resize();
  layoutChildren();
}

void Form1::onCommand(WPARAM wParam, LPARAM) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  const auto is = [id](Control control) {
    return id == firstControlId + static_cast<int>(control);
  };
  if (code == BN_CLICKED && is(Control::Command1)) core_.command1Click();
  if (code == BN_CLICKED && is(Control::Command2)) core_.command2Click();
  if (code == BN_CLICKED && is(Control::Command3)) core_.command3Click();
  if (code == EN_CHANGE && is(Control::Text1)) core_.text1Change();
}

LRESULT Form1::onNotify(const NMHDR& header) {
  if (header.hwndFrom != controls_[slot(Control::ListView1)]) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
      if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
        const Text& text = core_.list().cell(static_cast<std::size_t>(info.item.iItem),
                                             static_cast<std::size_t>(info.item.iSubItem));
        // The control offers a buffer of its own size; what does not fit is
        // cut for drawing only, the model keeps the whole text.
        const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
        const std::size_t length = text.size() < room ? text.size() : room;
        text.copy(info.item.pszText, length);
        info.item.pszText[length] = L'\0';
      }
      return 0;
    }
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if ((change.uChanged & LVIF_STATE) &&
          ((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) {
        if (change.iItem < 0) {
          takeSelectionFromView(0, static_cast<int>(core_.list().rowCount()) - 1);
        } else {
          takeSelectionFromView(change.iItem, change.iItem);
        }
      }
      return 0;
    }
    case LVN_COLUMNCLICK: {
      const auto& click = reinterpret_cast<const NMLISTVIEW&>(header);
      core_.columnClick(static_cast<std::size_t>(click.iSubItem) + 1);
      return 0;
    }
    case LVN_ODSTATECHANGED: {
      const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
      takeSelectionFromView(change.iFrom, change.iTo);
      return 0;
    }
  }
  return 0;
}

void Form1::onTimer() { core_.timer(); }

LRESULT Form1::onColour(HDC dc, HWND control) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  for (std::size_t i = 1; i < controlCount; ++i) {
    if (controls_[i] != control) continue;
    if (const auto colour = designTextColour(static_cast<Control>(i))) {
      SetTextColor(dc, static_cast<COLORREF>(*colour));
    }
  }
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

bool Form1::onSetCursor(HWND under) {
  for (std::size_t i = 0; i < controlCount; ++i) {
    if (controlHandle(static_cast<Control>(i)) == under && pointers_[i] != Pointer::standard) {
      SetCursor(cursorOf(pointers_[i]));
      return true;
    }
  }
  return false;
}

Text Form1::caption(Control control) const {
  const HWND handle = controlHandle(control);
  const int length = GetWindowTextLengthW(handle);
  if (length <= 0) return Text();
  Text text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(handle, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

bool Form1::isAutoSizedLabel(Control control) {
  return control == Control::Label1 || control == Control::Label2;
}

void Form1::setCaption(Control control, TextView text) {
  const Text owned(text);
  SetWindowTextW(controlHandle(control), owned.c_str());
  if (isAutoSizedLabel(control)) {
    bounds_[slot(control)].width = textWidthTwips(control, text);
    layoutChildren();
  }
}

long Form1::textWidthTwips(Control control, TextView text) const {
  if (text.empty()) return 0;
  const HWND handle = controlHandle(control);
  WindowDC dc(handle);
  if (!dc.get()) return bounds_[slot(control)].width;
  SelectedObject font(dc.get(), fonts_[slot(control)].get());
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &size);
  return scale_.toTwipsX(size.cx);
}

void Form1::repaint(Control control) {
  RedrawWindow(controlHandle(control), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool Form1::visible(Control control) const { return visible_[slot(control)]; }

void Form1::setVisible(Control control, bool visible) {
  visible_[slot(control)] = visible;
  ShowWindow(controlHandle(control), visible ? SW_SHOW : SW_HIDE);
}

bool Form1::enabled(Control control) const {
  return IsWindowEnabled(controlHandle(control)) != FALSE;
}

void Form1::setEnabled(Control control, bool enabled) {
  EnableWindow(controlHandle(control), enabled ? TRUE : FALSE);
}

TwipsRect Form1::bounds(Control control) const {
  if (control != Control::Form1) return bounds_[slot(control)];
  RECT outer{};
  GetWindowRect(window_, &outer);
  return {scale_.toTwipsX(outer.left), scale_.toTwipsY(outer.top),
          scale_.toTwipsX(outer.right - outer.left), scale_.toTwipsY(outer.bottom - outer.top)};
}

void Form1::setBounds(Control control, const TwipsRect& place) {
  if (control == Control::Form1) {
    // Moving the window sends a resize event, which lays the children out.
    SetWindowPos(window_, nullptr, scale_.toPixelsX(place.left), scale_.toPixelsY(place.top),
                 scale_.toPixelsX(place.width), scale_.toPixelsY(place.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  bounds_[slot(control)] = place;
  layoutChildren();
}

bool Form1::minimized() const { return IsIconic(window_) != FALSE; }

void Form1::setPointer(Control control, Pointer pointer) {
  pointers_[slot(control)] = pointer;
  POINT cursor{};
  if (GetCursorPos(&cursor) && WindowFromPoint(cursor) == controlHandle(control)) {
    SetCursor(cursorOf(pointer));
  }
}

void Form1::setTimerInterval(unsigned milliseconds) {
  if (milliseconds == 0) {
    KillTimer(window_, timer1Id);
  } else {
    SetTimer(window_, timer1Id, milliseconds, nullptr);
  }
}

long Form1::addListExtendedStyle(unsigned long bits) {
  const HWND list = controls_[slot(Control::ListView1)];
  const auto style =
      static_cast<unsigned long>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  return static_cast<long>(SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style | bits));
}

void Form1::columnsChanged() {
  const HWND list = controls_[slot(Control::ListView1)];
  while (SendMessageW(list, LVM_DELETECOLUMN, 0, 0)) {
  }
  const ListModel& model = core_.list();
  for (std::size_t i = 0; i < model.columnCount(); ++i) {
    const ListColumn& column = model.column(i);
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    header.cx = scale_.toPixelsX(column.widthTwips);
    header.pszText = const_cast<wchar_t*>(column.name.c_str());
    header.iSubItem = static_cast<int>(i);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&header));
  }
}

void Form1::rowsAdded() {
  SendMessageW(controls_[slot(Control::ListView1)], LVM_SETITEMCOUNT, core_.list().rowCount(),
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void Form1::rowsChanged() {
  const HWND list = controls_[slot(Control::ListView1)];
  const ListModel& model = core_.list();
  SendMessageW(list, LVM_SETITEMCOUNT, model.rowCount(), LVSICF_NOSCROLL);
  // Rows now stand elsewhere: the view's selection follows the model's.
  syncingSelection_ = true;
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  syncingSelection_ = false;
  for (std::size_t i = 0; model.selectedCount() > 0 && i < model.rowCount(); ++i) {
    if (model.selected(i)) showSelection(i, true);
  }
  InvalidateRect(list, nullptr, TRUE);
}

void Form1::cellChanged(std::size_t row) {
  SendMessageW(controls_[slot(Control::ListView1)], LVM_REDRAWITEMS, row, row);
}

void Form1::selectionChanged(std::size_t row) {
  if (!syncingSelection_) showSelection(row, core_.list().selected(row));
}

void Form1::showSelection(std::size_t row, bool selected) {
  syncingSelection_ = true;
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED;
  state.state = selected ? LVIS_SELECTED : 0;
  SendMessageW(controls_[slot(Control::ListView1)], LVM_SETITEMSTATE, row,
               reinterpret_cast<LPARAM>(&state));
  syncingSelection_ = false;
}

void Form1::bringIntoView(std::size_t row) {
  SendMessageW(controls_[slot(Control::ListView1)], LVM_ENSUREVISIBLE, row, FALSE);
}

void Form1::takeSelectionFromView(int first, int last) {
  if (syncingSelection_) return;
  const HWND list = controls_[slot(Control::ListView1)];
  syncingSelection_ = true;
  for (int i = first; i >= 0 && i <= last; ++i) {
    const LRESULT state = SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_SELECTED);
    core_.list().setSelected(static_cast<std::size_t>(i), (state & LVIS_SELECTED) != 0);
  }
  syncingSelection_ = false;
}

}  // namespace vemdrol
