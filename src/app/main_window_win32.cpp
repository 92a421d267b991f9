#include "app/main_window_win32.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

#include "app/form_design.h"
#include "app/list_commands.h"
#include "os/instance_lock.h"

namespace vemdrol {

namespace {

const wchar_t* const windowClassName = L"VemdrolForm1";
// Marks a shown main window with the key of its folder's lock, so that a
// second start in the same folder finds it.
const wchar_t* const folderMark = L"Vemdrol.Folder";
constexpr int firstControlId = 100;
constexpr UINT_PTR endTimerId = 1;
constexpr UINT_PTR listSubclassId = 1;
// The program's icon in vemdrol.rc.
constexpr WORD iconResource = 1;

// The order of the controls for Tab, which is the order they are made in.
constexpr std::array<Control, controlCount - 1> creationOrder = {
    Control::searchBox, Control::searchDownButton, Control::searchUpButton, Control::rebuildButton,
    Control::list,      Control::titleLabel,       Control::statusLabel,    Control::passMarks,
    Control::stepMarks};

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
    case Control::list:
      return WC_LISTVIEWW;
    case Control::rebuildButton:
    case Control::searchDownButton:
    case Control::searchUpButton:
      return L"BUTTON";
    case Control::searchBox:
      return L"EDIT";
    default:
      return L"STATIC";
  }
}

DWORD styleOf(Control control) {
  const DWORD child = WS_CHILD | WS_VISIBLE;
  switch (control) {
    case Control::list:
      return child | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS;
    case Control::rebuildButton:
    case Control::searchDownButton:
    case Control::searchUpButton:
      return child | WS_TABSTOP | BS_PUSHBUTTON;
    case Control::searchBox:
      return child | WS_TABSTOP | ES_AUTOHSCROLL;
    case Control::statusLabel:
    case Control::titleLabel:
      return child | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    default:
      // The progress rows: a row of marks too long for the label breaks
      // between marks, as an edit control breaks a long word.
      return child | SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;
  }
}

DWORD extendedStyleOf(Control control) {
  return control == Control::list || control == Control::searchBox ? WS_EX_CLIENTEDGE : 0;
}

bool isButton(Control control) {
  return control == Control::rebuildButton || control == Control::searchDownButton ||
         control == Control::searchUpButton;
}

// The controls above the list, and those that follow the window's bottom.
bool isTopControl(Control control) {
  return isButton(control) || control == Control::searchBox || control == Control::titleLabel;
}
bool isBottomControl(Control control) {
  return control == Control::statusLabel || control == Control::passMarks ||
         control == Control::stepMarks;
}

HCURSOR cursorOf(Pointer pointer) {
  return LoadCursorW(nullptr, pointer == Pointer::hourglass ? IDC_WAIT : IDC_ARROW);
}

struct MenuTraits {
  using Type = HMENU;
  static Type empty() { return nullptr; }
  static bool valid(Type menu) { return menu != nullptr; }
  static BOOL close(Type menu) { return DestroyMenu(menu); }
};

UniqueWin32Handle<MenuTraits> menuOf(const std::vector<MenuEntry>& entries) {
  UniqueWin32Handle<MenuTraits> menu(CreatePopupMenu());
  for (const MenuEntry& entry : entries) {
    if (entry.command == 0) {
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      continue;
    }
    Text caption = entry.caption;
    if (!entry.shortcut.empty()) caption += L"\t" + entry.shortcut;
    UINT flags = MF_STRING;
    if (!entry.enabled) flags |= MF_GRAYED;
    if (entry.checked) flags |= MF_CHECKED;
    AppendMenuW(menu.get(), flags, static_cast<UINT_PTR>(entry.command), caption.c_str());
  }
  return menu;
}

HANDLE markOf(TextView folder) {
  // Never 0, which reads as "no mark".
  return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(instanceLockKey(folder) | 1));
}

}  // namespace

MainWindowWin32::MainWindowWin32(HINSTANCE instance, WindowServices& services)
    : instance_(instance), services_(services), core_(*this, services) {
  visible_.fill(true);
  pointers_.fill(Pointer::standard);
}

MainWindowWin32::~MainWindowWin32() {
  core_.setListObserver(nullptr);
  if (window_) {
    destroying_ = true;
    DestroyWindow(window_);
  }
}

Status MainWindowWin32::create() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (!GetClassInfoExW(instance_, windowClassName, &windowClass)) {
    windowClass = WNDCLASSEXW{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = static_cast<HICON>(LoadImageW(
        instance_, MAKEINTRESOURCEW(iconResource), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    if (!windowClass.hIcon) windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = windowClassName;
    if (!RegisterClassExW(&windowClass)) return lastWindowsError();
  }

  const SIZE outer = outerSizeForClient(
      {scale_.toPixelsX(designClientSize.width), scale_.toPixelsY(designClientSize.height)},
      WS_OVERLAPPEDWINDOW, 0, scale_.dpiY());
  const Text title(designCaption(Control::window));
  window_ = CreateWindowExW(0, windowClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, outer.cx, outer.cy, nullptr, nullptr, instance_, this);
  if (!window_) return lastWindowsError();
  return success();
}

void MainWindowWin32::load() {
  core_.load();
  if (visible_[slot(Control::window)]) {
    ShowWindow(window_, maximizeOnShow_ ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    UpdateWindow(window_);
    // Only a window a person sees is offered to a second start.
    SetPropW(window_, folderMark, markOf(services_.programFolder()));
    const HWND search = controls_[slot(Control::searchBox)];
    lastFocus_ = search;
    SetFocus(search);
  }
}

HWND MainWindowWin32::controlHandle(Control control) const {
  return control == Control::window ? window_ : controls_[slot(control)];
}

Text MainWindowWin32::fontFace(Control control) const { return fontFaces_[slot(control)]; }

LRESULT CALLBACK MainWindowWin32::windowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* form = static_cast<MainWindowWin32*>(create->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<MainWindowWin32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  return form->handle(message, wParam, lParam);
}

LRESULT CALLBACK MainWindowWin32::listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR form) {
  if (message == WM_MOUSEMOVE) {
    reinterpret_cast<MainWindowWin32*>(form)->onListMouseMove(
        {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

LRESULT MainWindowWin32::handle(UINT message, WPARAM wParam, LPARAM lParam) {
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
      if (wParam == endTimerId) onEndTimer();
      return 0;
    case detailsReadyMessage:
      core_.detailsArrived();
      return 0;
    case WM_CTLCOLORSTATIC:
      return onColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (onSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
      break;
    case WM_CONTEXTMENU:
      if (onContextMenu(reinterpret_cast<HWND>(wParam),
                        {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))})) {
        return 0;
      }
      break;
    case WM_ACTIVATE:
      // The control that had the focus gets it back when the window does.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) lastFocus_ = focus;
      }
      break;
    case WM_SETFOCUS:
      SetFocus(lastFocus_ ? lastFocus_ : controls_[slot(Control::searchBox)]);
      return 0;
    case WM_GETMINMAXINFO:
      onMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_DPICHANGED:
      onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      syncColumnWidths();
      core_.unload();
      break;
    case WM_DESTROY:
      RemovePropW(window_, folderMark);
      if (controls_[slot(Control::list)]) {
        RemoveWindowSubclass(controls_[slot(Control::list)], listProc, listSubclassId);
      }
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      if (!destroying_) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT MainWindowWin32::onCreate() {
  scale_ = TwipsScale(windowDpi(window_));
  createFonts();
  createChildren();
  loadIcons();
  addTooltips();
  applyDesign(*this);
  // A whole row is highlighted from the start, not only after a search.
  addListExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  core_.setListObserver(this);
  // The details of the list's files are read on a thread of the window's
  // own, which tells the window of each batch it has read.
  core_.setDetailWorker(makeThreadDetailWorker(makeSystemDetailReading, [window = window_] {
    PostMessageW(window, detailsReadyMessage, 0, 0);
  }));
  layoutChildren();
  return 0;
}

void MainWindowWin32::createFonts() {
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

void MainWindowWin32::createChildren() {
  for (Control control : creationOrder) {
    const std::size_t i = slot(control);
    controls_[i] = CreateWindowExW(extendedStyleOf(control), windowClassOf(control), L"",
                                   styleOf(control), 0, 0, 0, 0, window_,
                                   reinterpret_cast<HMENU>(firstControlId + i), instance_, nullptr);
    SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i].get()), FALSE);
  }
  SetWindowSubclass(controls_[slot(Control::list)], listProc, listSubclassId,
                    reinterpret_cast<DWORD_PTR>(this));
}

void MainWindowWin32::loadIcons() {
  // Icons drawn for the size the title bar and the task bar use at this
  // resolution; a build without the icon keeps the class's.
  const auto load = [this](int metricX, int metricY) {
    return IconHandle(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(iconResource),
                                                    IMAGE_ICON, systemMetricForDpi(metricX, dpi()),
                                                    systemMetricForDpi(metricY, dpi()), 0)));
  };
  IconHandle big = load(SM_CXICON, SM_CYICON);
  IconHandle small = load(SM_CXSMICON, SM_CYSMICON);
  if (big.valid()) SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  if (small.valid()) {
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  }
  // The window no longer uses the old ones once it has the new.
  if (big.valid()) bigIcon_ = std::move(big);
  if (small.valid()) smallIcon_ = std::move(small);
}

void MainWindowWin32::addTooltips() {
  // The list's own first: the whole text of a cell that its column cuts off.
  cellTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
  if (cellTips_) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = controls_[slot(Control::list)];
    tool.uId = 1;
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(cellTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(cellTips_, TTM_SETMAXTIPWIDTH, 0, pixels(600));
  }
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

int MainWindowWin32::textWidth(Control control, TextView text) const {
  const HWND handle = controlHandle(control);
  WindowDC dc(handle);
  if (!dc.get() || text.empty()) return 0;
  SelectedObject font(dc.get(), fonts_[slot(control)].get());
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

SIZE MainWindowWin32::textRoom(Control control, int width) const {
  const HWND handle = controlHandle(control);
  WindowDC dc(handle);
  if (!dc.get()) return {width, 0};
  SelectedObject font(dc.get(), fonts_[slot(control)].get());
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  const int edge = systemMetricForDpi(SM_CYEDGE, dpi());
  if (control == Control::searchBox) return {width, metrics.tmHeight + 2 * edge + 2 * pixels(1)};
  // The frame, and the focus rectangle inside it.
  if (isButton(control)) return {width, metrics.tmHeight + 2 * edge + 4 * pixels(1)};
  // A label: its text as the static control lays it out, at least one line.
  const Text text = caption(control);
  if (text.empty()) return {width, metrics.tmHeight};
  RECT room{0, 0, std::max(width, 1), 0};
  UINT format = DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX;
  const DWORD style = styleOf(control);
  if ((style & SS_TYPEMASK) == SS_LEFT) format |= DT_WORDBREAK;
  if (style & SS_EDITCONTROL) format |= DT_EDITCONTROL;
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &room, format);
  return {std::max<int>(room.right - room.left, width),
          std::max<int>(room.bottom - room.top, metrics.tmHeight)};
}

int MainWindowWin32::clientWidth() const {
  RECT client{};
  GetClientRect(window_, &client);
  return client.right - client.left;
}

std::array<RECT, controlCount> MainWindowWin32::childRects(int client) const {
  std::array<RECT, controlCount> rects{};
  for (std::size_t i = 1; i < controlCount; ++i) {
    const TwipsRect& place = bounds_[i];
    const int left = scale_.toPixelsX(place.left);
    const int top = scale_.toPixelsY(place.top);
    rects[i] = {left, top, left + scale_.toPixelsX(place.width),
                top + scale_.toPixelsY(place.height)};
  }
  if (!controls_[slot(Control::list)]) return rects;
  const auto rectOf = [&rects](Control control) -> RECT& {
    return rects[static_cast<std::size_t>(control)];
  };
  RECT& list = rectOf(Control::list);
  const int gap = pixels(2);
  for (std::size_t i = 1; i < controlCount; ++i) {
    const auto control = static_cast<Control>(i);
    RECT& rect = rects[i];
    if (isButton(control)) {
      // A caption wider than the button widens it to the right.
      const int wide = textWidth(control, caption(control)) + 2 * pixels(8);
      rect.right = std::max<LONG>(rect.right, rect.left + wide);
    }
    if (!isTopControl(control) && !isBottomControl(control)) continue;
    const SIZE needed = textRoom(control, rect.right - rect.left);
    if (isBottomControl(control)) {
      // The bottom rows keep their bottom edge, as the resize rule places
      // them by it; marks that cannot break widen their row to the left.
      rect.top = std::min<LONG>(rect.top, rect.bottom - needed.cy);
      if (control != Control::statusLabel)
        rect.left = std::min<LONG>(rect.left, rect.right - needed.cx);
    } else if (rect.bottom - rect.top < needed.cy) {
      // Taller downward, and up toward the window's top as far as needed to
      // stay above the list.
      rect.bottom = rect.top + needed.cy;
      const int over = rect.bottom - list.top;
      if (over > 0) {
        const int up = std::min<int>(over, rect.top);
        rect.top -= up;
        rect.bottom -= up;
      }
    }
  }

  // A window narrower than the design (a small screen at a high
  // resolution) keeps the rebuild button in it: the buttons move left with
  // its right edge and the search box gives up width, down to an inch.
  RECT& rebuild = rectOf(Control::rebuildButton);
  const int rightMargin = scale_.toPixelsX(designClientSize.width) - rebuild.right;
  const int over = rebuild.right + std::max(rightMargin, gap) - client;
  if (over > 0) {
    RECT& search = rectOf(Control::searchBox);
    const int titleEnd = rectOf(Control::titleLabel).left +
                         textWidth(Control::titleLabel, caption(Control::titleLabel)) + pixels(8);
    const int shrink =
        std::max(0, std::min<int>(over, search.right - search.left - scale_.toPixelsX(1440)));
    const int slide = std::max(0, std::min<int>(over - shrink, search.left - titleEnd));
    search.left -= slide;
    search.right -= shrink + slide;
    for (Control button :
         {Control::rebuildButton, Control::searchDownButton, Control::searchUpButton}) {
      OffsetRect(&rectOf(button), -(shrink + slide), 0);
    }
  }
  // The progress rows end inside the window, the first left of the second.
  RECT& marks = rectOf(Control::stepMarks);
  const int beyond = marks.right + pixels(8) - client;
  if (beyond > 0) OffsetRect(&marks, -std::min<int>(beyond, marks.left), 0);
  RECT& counter = rectOf(Control::passMarks);
  const int overlap = counter.right + pixels(8) - marks.left;
  if (overlap > 0) OffsetRect(&counter, -std::min<int>(overlap, counter.left), 0);

  // The list gives way to controls that grew into it.
  int topEdge = 0;
  int bottomEdge = list.bottom;
  for (std::size_t i = 1; i < controlCount; ++i) {
    const auto control = static_cast<Control>(i);
    if (isTopControl(control)) topEdge = std::max<int>(topEdge, rects[i].bottom);
    if (isBottomControl(control) && visible_[i]) {
      bottomEdge = std::min<int>(bottomEdge, rects[i].top);
    }
  }
  list.top = std::max<LONG>(list.top, topEdge);
  list.bottom = std::min<LONG>(list.bottom, bottomEdge);
  if (list.bottom < list.top) list.bottom = list.top;
  return rects;
}

void MainWindowWin32::layoutChildren() {
  const std::array<RECT, controlCount> rects = childRects(clientWidth());
  for (std::size_t i = 1; i < controlCount; ++i) {
    if (!controls_[i]) continue;
    const RECT& r = rects[i];
    MoveWindow(controls_[i], r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  if (cellTips_) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = controls_[slot(Control::list)];
    tool.uId = 1;
    GetClientRect(tool.hwnd, &tool.rect);
    SendMessageW(cellTips_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void MainWindowWin32::onSize(WPARAM kind) {
  if (kind == SIZE_MINIMIZED) return;
  core_.resize();
  layoutChildren();
}

void MainWindowWin32::onMinMaxInfo(MINMAXINFO& info) {
  // The least size is for the user's dragging; the program's own placing
  // (the work area, the saved place, the system's suggestion) is obeyed.
  if (!controls_[slot(Control::list)] || placing_) return;
  // Below this size the controls above the list would be cut off: the
  // search box at its narrowest, the buttons beside it.
  const std::array<RECT, controlCount> rects = childRects(INT_MAX);
  const RECT& search = rects[slot(Control::searchBox)];
  int right = 0;
  for (std::size_t i = 1; i < controlCount; ++i) {
    if (isTopControl(static_cast<Control>(i))) right = std::max<int>(right, rects[i].right);
  }
  const int narrowest = right - (search.right - search.left - scale_.toPixelsX(1440));
  const int rightMargin = scale_.toPixelsX(designClientSize.width) -
                          scale_.toPixelsX(designBounds(Control::rebuildButton).left +
                                           designBounds(Control::rebuildButton).width);
  const int pushedDown =
      rects[slot(Control::list)].top - scale_.toPixelsY(designBounds(Control::list).top);
  const SIZE outer = outerSizeForClient({narrowest + std::max(rightMargin, pixels(2)), 0},
                                        WS_OVERLAPPEDWINDOW, 0, dpi());
  info.ptMinTrackSize.x = outer.cx;
  // The resize rule gives the list the window's height less 2100 twips: an
  // inch of list, a header and a few rows, at the least.
  info.ptMinTrackSize.y = scale_.toPixelsY(2100 + 1440) + std::max(pushedDown, 0);
}

void MainWindowWin32::onDpiChanged(int newDpi, const RECT& suggested) {
  syncColumnWidths();
  scale_ = TwipsScale(newDpi);
  std::array<FontHandle, controlCount> old = std::move(fonts_);
  createFonts();
  for (std::size_t i = 1; i < controlCount; ++i) {
    SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i].get()), TRUE);
  }
  for (Control label : {Control::statusLabel, Control::titleLabel}) {
    bounds_[slot(label)].width = textWidthTwips(label, caption(label));
  }
  const HWND list = controls_[slot(Control::list)];
  for (std::size_t j = 0; j < viewColumns_.size(); ++j) {
    SendMessageW(list, LVM_SETCOLUMNWIDTH, j, scale_.toPixelsX(core_.columnWidth(viewColumns_[j])));
  }
  loadIcons();
  if (cellTips_) SendMessageW(cellTips_, TTM_SETMAXTIPWIDTH, 0, pixels(600));
  placing_ = true;
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  placing_ = false;
  layoutChildren();
}

void MainWindowWin32::onCommand(WPARAM wParam, LPARAM) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  const auto is = [id](Control control) {
    return id == firstControlId + static_cast<int>(control);
  };
  if (code == BN_CLICKED && is(Control::rebuildButton)) core_.rebuildClick();
  if (code == BN_CLICKED && is(Control::searchDownButton)) core_.searchDownClick();
  if (code == BN_CLICKED && is(Control::searchUpButton)) core_.searchUpClick();
  if (code == EN_CHANGE && is(Control::searchBox)) core_.searchTextChange();
}

std::optional<std::size_t> MainWindowWin32::focusedRow() const {
  const LRESULT row = SendMessageW(controls_[slot(Control::list)], LVM_GETNEXTITEM,
                                   static_cast<WPARAM>(-1), LVNI_FOCUSED);
  if (row < 0) return std::nullopt;
  return static_cast<std::size_t>(row);
}

std::optional<std::size_t> MainWindowWin32::modelColumn(int viewColumn) const {
  if (viewColumn < 0 || static_cast<std::size_t>(viewColumn) >= viewColumns_.size()) {
    return std::nullopt;
  }
  return viewColumns_[static_cast<std::size_t>(viewColumn)];
}

bool MainWindowWin32::translateMessage(MSG& message) {
  if (!window_ || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;
  if ((message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) &&
      onKey(message.hwnd, message.wParam)) {
    return true;
  }
  // The menu keys' release too: the menu is open already, and the system
  // would open it a second time.
  if ((message.message == WM_KEYUP || message.message == WM_SYSKEYUP) &&
      (message.wParam == VK_APPS || message.wParam == VK_F10) &&
      message.hwnd == controls_[slot(Control::list)]) {
    return true;
  }
  // Tab and Shift+Tab between the controls, Enter and Space on a button.
  return IsDialogMessageW(window_, &message) != FALSE;
}

bool MainWindowWin32::onKey(HWND target, WPARAM key) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  if (GetKeyState(VK_MENU) < 0) return false;
  const HWND list = controls_[slot(Control::list)];
  const HWND search = controls_[slot(Control::searchBox)];
  const auto searchOn = [this](bool down) {
    if (down) {
      core_.searchDownClick();
    } else {
      core_.searchUpClick();
    }
  };
  if (key == VK_F3 && !control) {
    searchOn(!shift);
    return true;
  }
  if (target == list && !control && (key == VK_APPS || (key == VK_F10 && shift))) {
    onContextMenu(list, {-1, -1});
    return true;
  }
  if (key == 'F' && control && !shift) {
    SetFocus(search);
    SendMessageW(search, EM_SETSEL, 0, -1);
    return true;
  }
  if (key == VK_RETURN && !control && target == search) {
    searchOn(!shift);
    return true;
  }
  if (key == VK_RETURN && !control && !shift && target == list) {
    core_.listCommand(static_cast<int>(ListCommand::showProperties), focusedRow());
    return true;
  }
  if (key == 'A' && control && !shift && target == search) {
    SendMessageW(search, EM_SETSEL, 0, -1);
    return true;
  }
  if (control && !shift && target == list && (key == 'C' || key == 'A')) {
    core_.listCommand(static_cast<int>(key == 'C' ? ListCommand::copyRows : ListCommand::selectAll),
                      focusedRow());
    return true;
  }
  return false;
}

bool MainWindowWin32::onContextMenu(HWND from, POINT at) {
  const HWND list = controls_[slot(Control::list)];
  const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  if (from != list && from != header) return false;
  const bool byKey = at.x == -1 && at.y == -1;
  bool onHeader = from == header;
  if (!byKey && !onHeader && header) {
    RECT headerRect{};
    GetWindowRect(header, &headerRect);
    onHeader = PtInRect(&headerRect, at) != FALSE;
  }
  if (byKey) {
    // From the keyboard: below the focused row, or at the list's corner.
    RECT row{};
    const std::optional<std::size_t> focused = focusedRow();
    row.left = LVIR_LABEL;
    if (focused && SendMessageW(list, LVM_GETITEMRECT, *focused, reinterpret_cast<LPARAM>(&row))) {
      at = {row.left, row.bottom};
    } else {
      at = {0, 0};
    }
    ClientToScreen(list, &at);
  }
  const UniqueWin32Handle<MenuTraits> menu =
      menuOf(onHeader ? core_.columnMenu() : core_.rowMenu());
  const int chosen =
      TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, window_, nullptr);
  if (chosen != 0) core_.listCommand(chosen, focusedRow());
  return true;
}

Text MainWindowWin32::cutOffTextAt(POINT point) const {
  const HWND list = controls_[slot(Control::list)];
  LVHITTESTINFO hit{};
  hit.pt = point;
  if (SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 ||
      hit.iItem < 0) {
    return Text();
  }
  const std::optional<std::size_t> column = modelColumn(hit.iSubItem);
  if (!column) return Text();
  const Text text(core_.cellText(static_cast<std::size_t>(hit.iItem), *column));
  if (text.empty()) return Text();
  RECT cell{};
  cell.top = hit.iSubItem;
  cell.left = LVIR_LABEL;
  if (!SendMessageW(list, LVM_GETSUBITEMRECT, hit.iItem, reinterpret_cast<LPARAM>(&cell))) {
    return Text();
  }
  const auto width = static_cast<int>(
      SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
  // The list leaves a margin on either side of a cell's text; the control
  // also draws no more than its buffer of 260 characters.
  const bool cut = width + pixels(12) > cell.right - cell.left || text.size() >= 260;
  return cut ? text : Text();
}

void MainWindowWin32::onListMouseMove(POINT point) {
  if (!cellTips_) return;
  const HWND list = controls_[slot(Control::list)];
  LVHITTESTINFO hit{};
  hit.pt = point;
  SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  const std::pair<int, int> cell{hit.iItem, hit.iSubItem};
  if (cell == tipCell_) return;
  tipCell_ = cell;
  tipText_ = cutOffTextAt(point);
  // A new cell: the old tip goes, and the new one shows after the usual
  // pause, if its text is cut off.
  SendMessageW(cellTips_, TTM_POP, 0, 0);
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = list;
  tool.uId = 1;
  tool.lpszText = const_cast<wchar_t*>(tipText_.c_str());
  SendMessageW(cellTips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(cellTips_, TTM_ACTIVATE, tipText_.empty() ? FALSE : TRUE, 0);
}

LRESULT MainWindowWin32::onNotify(const NMHDR& header) {
  if (header.hwndFrom != controls_[slot(Control::list)]) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
      if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
        const std::optional<std::size_t> column = modelColumn(info.item.iSubItem);
        const TextView text =
            column ? core_.cellToShow(static_cast<std::size_t>(info.item.iItem), *column)
                   : TextView();
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
          takeSelectionFromView(0, static_cast<int>(core_.shownList().rowCount()) - 1);
        } else {
          takeSelectionFromView(change.iItem, change.iItem);
        }
      }
      return 0;
    }
    case LVN_COLUMNCLICK: {
      const auto& click = reinterpret_cast<const NMLISTVIEW&>(header);
      if (const std::optional<std::size_t> column = modelColumn(click.iSubItem)) {
        core_.columnClick(*column + 1);
      }
      return 0;
    }
    case LVN_ODSTATECHANGED: {
      const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
      takeSelectionFromView(change.iFrom, change.iTo);
      return 0;
    }
    case NM_CUSTOMDRAW: {
      // A comparison's removed rows are drawn in grey, the rest as always.
      auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
        return core_.comparison() ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
      }
      if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && core_.rowRemoved(draw.nmcd.dwItemSpec)) {
        draw.clrText = GetSysColor(COLOR_GRAYTEXT);
      }
      return CDRF_DODEFAULT;
    }
    case NM_DBLCLK: {
      const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
      if (click.iItem >= 0) {
        core_.listCommand(static_cast<int>(ListCommand::showProperties),
                          static_cast<std::size_t>(click.iItem));
      }
      return 0;
    }
  }
  return 0;
}

void MainWindowWin32::onEndTimer() { core_.endTimerTick(); }

LRESULT MainWindowWin32::onColour(HDC dc, HWND control) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  for (std::size_t i = 1; i < controlCount; ++i) {
    if (controls_[i] != control) continue;
    if (const auto colour = designTextColour(static_cast<Control>(i))) {
      SetTextColor(dc, static_cast<COLORREF>(*colour));
    }
  }
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

bool MainWindowWin32::onSetCursor(HWND under) {
  for (std::size_t i = 0; i < controlCount; ++i) {
    if (controlHandle(static_cast<Control>(i)) == under && pointers_[i] != Pointer::standard) {
      SetCursor(cursorOf(pointers_[i]));
      return true;
    }
  }
  return false;
}

Text MainWindowWin32::caption(Control control) const {
  const HWND handle = controlHandle(control);
  const int length = GetWindowTextLengthW(handle);
  if (length <= 0) return Text();
  Text text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(handle, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

bool MainWindowWin32::isAutoSizedLabel(Control control) {
  return control == Control::statusLabel || control == Control::titleLabel;
}

void MainWindowWin32::setCaption(Control control, TextView text) {
  const Text owned(text);
  SetWindowTextW(controlHandle(control), owned.c_str());
  if (isAutoSizedLabel(control)) {
    bounds_[slot(control)].width = textWidthTwips(control, text);
    layoutChildren();
  } else if (isBottomControl(control)) {
    // A caption that needs more lines makes its label taller.
    layoutChildren();
  }
}

long MainWindowWin32::textWidthTwips(Control control, TextView text) const {
  if (text.empty()) return 0;
  const HWND handle = controlHandle(control);
  WindowDC dc(handle);
  if (!dc.get()) return bounds_[slot(control)].width;
  SelectedObject font(dc.get(), fonts_[slot(control)].get());
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.data(), static_cast<int>(text.size()), &size);
  return scale_.toTwipsX(size.cx);
}

void MainWindowWin32::repaint(Control control) {
  RedrawWindow(controlHandle(control), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

bool MainWindowWin32::visible(Control control) const { return visible_[slot(control)]; }

void MainWindowWin32::setVisible(Control control, bool visible) {
  visible_[slot(control)] = visible;
  ShowWindow(controlHandle(control), visible ? SW_SHOW : SW_HIDE);
}

bool MainWindowWin32::enabled(Control control) const {
  return IsWindowEnabled(controlHandle(control)) != FALSE;
}

void MainWindowWin32::setEnabled(Control control, bool enabled) {
  EnableWindow(controlHandle(control), enabled ? TRUE : FALSE);
}

TwipsRect MainWindowWin32::bounds(Control control) const {
  if (control != Control::window) return bounds_[slot(control)];
  RECT outer{};
  GetWindowRect(window_, &outer);
  return {scale_.toTwipsX(outer.left), scale_.toTwipsY(outer.top),
          scale_.toTwipsX(outer.right - outer.left), scale_.toTwipsY(outer.bottom - outer.top)};
}

void MainWindowWin32::setBounds(Control control, const TwipsRect& place) {
  if (control == Control::window) {
    // Moving the window sends a resize event, which lays the children out.
    placing_ = true;
    SetWindowPos(window_, nullptr, scale_.toPixelsX(place.left), scale_.toPixelsY(place.top),
                 scale_.toPixelsX(place.width), scale_.toPixelsY(place.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    placing_ = false;
    return;
  }
  bounds_[slot(control)] = place;
  layoutChildren();
}

bool MainWindowWin32::minimized() const { return IsIconic(window_) != FALSE; }

bool MainWindowWin32::maximized() const {
  if (!IsWindowVisible(window_)) return maximizeOnShow_;
  if (IsZoomed(window_)) return true;
  // Minimised from maximised, it comes back maximised.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  return IsIconic(window_) && GetWindowPlacement(window_, &placement) &&
         (placement.flags & WPF_RESTORETOMAXIMIZED);
}

void MainWindowWin32::setMaximized(bool maximized) {
  maximizeOnShow_ = maximized;
  if (IsWindowVisible(window_)) ShowWindow(window_, maximized ? SW_MAXIMIZE : SW_RESTORE);
}

TwipsRect MainWindowWin32::restoredBounds() const {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  if (!GetWindowPlacement(window_, &placement)) return bounds(Control::window);
  RECT normal = placement.rcNormalPosition;
  // The placement counts from the work area's corner, the rest from the
  // screen's.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromRect(&normal, MONITOR_DEFAULTTONEAREST), &monitor)) {
    OffsetRect(&normal, monitor.rcWork.left - monitor.rcMonitor.left,
               monitor.rcWork.top - monitor.rcMonitor.top);
  }
  return {scale_.toTwipsX(normal.left), scale_.toTwipsY(normal.top),
          scale_.toTwipsX(normal.right - normal.left), scale_.toTwipsY(normal.bottom - normal.top)};
}

TwipsRect MainWindowWin32::workArea() const {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) {
    area = monitor.rcWork;
  }
  return {scale_.toTwipsX(area.left), scale_.toTwipsY(area.top),
          scale_.toTwipsX(area.right - area.left), scale_.toTwipsY(area.bottom - area.top)};
}

void MainWindowWin32::setPointer(Control control, Pointer pointer) {
  pointers_[slot(control)] = pointer;
  POINT cursor{};
  if (GetCursorPos(&cursor) && WindowFromPoint(cursor) == controlHandle(control)) {
    SetCursor(cursorOf(pointer));
  }
}

void MainWindowWin32::setEndTimer(unsigned milliseconds) {
  if (milliseconds == 0) {
    KillTimer(window_, endTimerId);
  } else {
    SetTimer(window_, endTimerId, milliseconds, nullptr);
  }
}

long MainWindowWin32::addListExtendedStyle(unsigned long bits) {
  const HWND list = controls_[slot(Control::list)];
  const auto style =
      static_cast<unsigned long>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  return static_cast<long>(SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style | bits));
}

void MainWindowWin32::syncColumnWidths() {
  // The user drags the columns' edges in the control; the model keeps the
  // widths for the next rebuild and the next start.
  const HWND list = controls_[slot(Control::list)];
  if (!list) return;
  for (std::size_t j = 0; j < viewColumns_.size(); ++j) {
    const auto width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, j, 0));
    const std::size_t column = viewColumns_[j];
    if (width <= 0) continue;
    if (scale_.toPixelsX(core_.columnWidth(column)) != width) {
      core_.columnResized(column, scale_.toTwipsX(width));
    }
  }
}

void MainWindowWin32::columnsChanged() {
  const HWND list = controls_[slot(Control::list)];
  syncColumnWidths();
  while (SendMessageW(list, LVM_DELETECOLUMN, 0, 0)) {
  }
  viewColumns_.clear();
  for (const ShownColumn& column : core_.shownColumns()) {
    const Text name(column.name);
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    // Sizes read better against the column's right edge.
    header.fmt =
        column.column == firstDetailColumn + factIndex(Fact::size) ? LVCFMT_RIGHT : LVCFMT_LEFT;
    if (viewColumns_.empty()) header.fmt = LVCFMT_LEFT;
    header.cx = scale_.toPixelsX(column.widthTwips);
    header.pszText = const_cast<wchar_t*>(name.c_str());
    header.iSubItem = static_cast<int>(viewColumns_.size());
    SendMessageW(list, LVM_INSERTCOLUMNW, viewColumns_.size(), reinterpret_cast<LPARAM>(&header));
    viewColumns_.push_back(column.column);
  }
  // A column shown or hidden leaves the rows in their order.
  showSortMark();
}

void MainWindowWin32::sortChanged() {
  sortMarked_ = core_.shownList().sorted();
  showSortMark();
}

void MainWindowWin32::showSortMark() {
  const HWND list = controls_[slot(Control::list)];
  const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  if (!header) return;
  const ListModel& model = core_.shownList();
  for (std::size_t j = 0; j < viewColumns_.size(); ++j) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!SendMessageW(header, HDM_GETITEMW, j, reinterpret_cast<LPARAM>(&item))) continue;
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (sortMarked_ && viewColumns_[j] == model.sortKey()) {
      item.fmt |= model.sortOrder() == 1 ? HDF_SORTDOWN : HDF_SORTUP;
    }
    SendMessageW(header, HDM_SETITEMW, j, reinterpret_cast<LPARAM>(&item));
  }
}

void MainWindowWin32::rowsAdded() {
  SendMessageW(controls_[slot(Control::list)], LVM_SETITEMCOUNT, core_.shownList().rowCount(),
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void MainWindowWin32::rowsChanged() {
  const HWND list = controls_[slot(Control::list)];
  const ListModel& model = core_.shownList();
  // An emptied list is filled anew in the order rows come (a rebuild): it
  // is no longer in the sort's order, whatever the sort settings say.
  if (model.rowCount() == 0) sortMarked_ = false;
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

void MainWindowWin32::cellsChanged() {
  if (const HWND list = controls_[slot(Control::list)]) InvalidateRect(list, nullptr, FALSE);
}

void MainWindowWin32::cellChanged(std::size_t row) {
  SendMessageW(controls_[slot(Control::list)], LVM_REDRAWITEMS, row, row);
}

void MainWindowWin32::selectionChanged(std::size_t row) {
  if (!syncingSelection_) showSelection(row, core_.shownList().selected(row));
}

void MainWindowWin32::showSelection(std::size_t row, bool selected) {
  syncingSelection_ = true;
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED;
  state.state = selected ? LVIS_SELECTED : 0;
  SendMessageW(controls_[slot(Control::list)], LVM_SETITEMSTATE, row,
               reinterpret_cast<LPARAM>(&state));
  syncingSelection_ = false;
}

void MainWindowWin32::bringIntoView(std::size_t row) {
  SendMessageW(controls_[slot(Control::list)], LVM_ENSUREVISIBLE, row, FALSE);
}

void MainWindowWin32::takeSelectionFromView(int first, int last) {
  if (syncingSelection_) return;
  const HWND list = controls_[slot(Control::list)];
  syncingSelection_ = true;
  for (int i = first; i >= 0 && i <= last; ++i) {
    const LRESULT state = SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_SELECTED);
    core_.shownList().setSelected(static_cast<std::size_t>(i), (state & LVIS_SELECTED) != 0);
  }
  syncingSelection_ = false;
}

bool showRunningCopy(TextView folder) {
  struct Search {
    HANDLE mark;
    HWND found;
  } search{markOf(folder), nullptr};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* s = reinterpret_cast<Search*>(context);
        wchar_t name[32] = {};
        GetClassNameW(window, name, 32);
        if (Text(name) == windowClassName && IsWindowVisible(window) &&
            GetPropW(window, folderMark) == s->mark) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  if (IsIconic(search.found)) ShowWindowAsync(search.found, SW_RESTORE);
  // A program the user just started may bring another to the front.
  SetForegroundWindow(search.found);
  return true;
}

}  // namespace vemdrol
