#include "app/main_window_win32.h"

#include <cmath>
#include <map>

#include "app/control_kinds_win32.h"
#include "app/form_design.h"
#include "os/instance_lock.h"

namespace vemdrol {

namespace {

// A second start finds the running copy by this class name
// (showRunningCopy), whatever version either copy is; so it stays as it
// has always been.
const wchar_t* const windowClassName = L"VemdrolForm1";
// Marks a shown main window with the key of its folder's lock, so that a
// second start in the same folder finds it.
const wchar_t* const folderMark = L"Vemdrol.Folder";
constexpr int firstControlId = 100;
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
  return form->dispatch(message, wParam, lParam);
}

LRESULT MainWindowWin32::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
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
      onDetailsReady();
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
      onActivate(wParam);
      break;
    case WM_SETFOCUS:
      onSetFocus();
      return 0;
    case WM_GETMINMAXINFO:
      onMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_DPICHANGED:
      onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      onClose();
      break;
    case WM_DESTROY:
      onDestroy();
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
  core_.setListObserver(&listView_);
  // The details of the list's files are read on a thread of the window's
  // own, which tells the window of each batch it has read; the signatures
  // it verifies are remembered for the next start.
  core_.setDetailWorker(makeThreadDetailWorker(
      [remembered = core_.rememberedSignatures()] { return makeSystemDetailReading(remembered); },
      [window = window_] { PostMessageW(window, detailsReadyMessage, 0, 0); }));
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
  listView_.attach(controls_[slot(Control::list)]);
  cellTips_.watch(controls_[slot(Control::list)]);
  tabs_.create(window_, instance_, firstControlId + static_cast<int>(controlCount),
               fonts_[slot(Control::list)].get());
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
  cellTips_.create(window_, instance_, pixels(600));
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

LRESULT MainWindowWin32::onNotify(const NMHDR& header) {
  if (const std::optional<ListTab> tab = tabs_.chosen(header)) {
    core_.showTab(*tab);
    return 0;
  }
  return listView_.onNotify(header);
}

void MainWindowWin32::onEndTimer() { core_.endTimerTick(); }

void MainWindowWin32::onDetailsReady() { core_.detailsArrived(); }

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

void MainWindowWin32::onActivate(WPARAM state) {
  // The control that had the focus gets it back when the window does.
  if (LOWORD(state) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) lastFocus_ = focus;
  }
}

void MainWindowWin32::onSetFocus() {
  SetFocus(lastFocus_ ? lastFocus_ : controls_[slot(Control::searchBox)]);
}

void MainWindowWin32::onClose() {
  listView_.syncColumnWidths();
  core_.unload();
}

void MainWindowWin32::onDestroy() {
  RemovePropW(window_, folderMark);
  cellTips_.stopWatching();
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  window_ = nullptr;
  if (!destroying_) PostQuitMessage(0);
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
