#include "os/window.h"

#include <algorithm>
#include <vector>

#include "os/console.h"
#include "os/process.h"
#include "os/win32/gdi.h"
#include "os/win32/windows.h"
// After windows.h, through os/win32/windows.h.
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

namespace vemdrol {

namespace {

// The clipboard is shared with every other program; OpenClipboard fails while
// another one holds it, so the program may fail here, and says so.
class ClipboardLock {
 public:
  explicit ClipboardLock(HWND owner) {
    // Another program may hold it for a moment, as clipboard viewers do.
    for (int tries = 0; tries < 10 && !open_; ++tries) {
      open_ = OpenClipboard(owner) != FALSE;
      if (!open_) Sleep(20);
    }
  }
  ClipboardLock(const ClipboardLock&) = delete;
  ClipboardLock& operator=(const ClipboardLock&) = delete;
  ~ClipboardLock() {
    if (open_) CloseClipboard();
  }
  bool open() const { return open_; }

 private:
  bool open_ = false;
};

struct GlobalMemoryTraits {
  using Type = HGLOBAL;
  static Type empty() { return nullptr; }
  static bool valid(Type memory) { return memory != nullptr; }
  static BOOL close(Type memory) { return GlobalFree(memory) == nullptr; }
};

struct ItemListTraits {
  using Type = PIDLIST_ABSOLUTE;
  static Type empty() { return nullptr; }
  static bool valid(Type items) { return items != nullptr; }
  static BOOL close(Type items) {
    ILFree(items);
    return TRUE;
  }
};

struct WindowTraits {
  using Type = HWND;
  static Type empty() { return nullptr; }
  static bool valid(Type window) { return window != nullptr; }
  static BOOL close(Type window) { return DestroyWindow(window); }
};

class Win32WindowServices final : public WindowServices {
 public:
  ~Win32WindowServices() override {
    removeTrayIcon();
    if (comReady_) CoUninitialize();
  }

  Status setClipboardText(TextView text) override {
    // The clipboard needs an owner window for the data to be set; a hidden
    // one of its own outlives any dialog that asked.
    if (!clipboardOwner_.valid()) {
      clipboardOwner_ = UniqueWin32Handle<WindowTraits>(CreateWindowExW(
          0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    }
    UniqueWin32Handle<GlobalMemoryTraits> memory(
        GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
    if (!memory.valid()) return lastWindowsError();
    auto* characters = static_cast<wchar_t*>(GlobalLock(memory.get()));
    if (!characters) return lastWindowsError();
    text.copy(characters, text.size());
    characters[text.size()] = L'\0';
    GlobalUnlock(memory.get());

    ClipboardLock lock(clipboardOwner_.get());
    if (!lock.open()) return lastWindowsError();
    if (!EmptyClipboard()) return lastWindowsError();
    if (!SetClipboardData(CF_UNICODETEXT, memory.get())) return lastWindowsError();
    // The clipboard owns the memory now.
    memory.release();
    return success();
  }

  TwipsSize screenSize() const override {
    return {scale_.toTwipsX(GetSystemMetrics(SM_CXSCREEN)),
            scale_.toTwipsY(GetSystemMetrics(SM_CYSCREEN))};
  }

  Text commandLine() const override { return argumentsOfCommandLine(GetCommandLineW()); }

  Text programFolder() const override { return vemdrol::programFolder(); }

  bool askYesNo(TextView title, TextView question) override {
    const Text titleText(title);
    const Text questionText(question);
    return MessageBoxW(GetActiveWindow(), questionText.c_str(), titleText.c_str(),
                       MB_YESNO | MB_DEFBUTTON1) == IDYES;
  }

  std::optional<Text> askFileName(const FileQuestion& question) override {
    // The filter is pairs of texts, each ended by a null, and a null after
    // the last pair.
    Text filter = question.filterName + L'\0' + question.pattern + L'\0';
    filter += L"すべてのファイル (*.*)";
    filter += L'\0';
    filter += L"*.*";
    filter += L'\0';
    const std::size_t dot = question.pattern.rfind(L'.');
    const Text extension = dot == Text::npos ? Text() : question.pattern.substr(dot + 1);
    // Long paths are accepted up to the limit the list's paths have.
    std::vector<wchar_t> name(32768, L'\0');
    question.suggestedName.copy(name.data(),
                                std::min(question.suggestedName.size(), name.size() - 1));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetActiveWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrTitle = question.title.c_str();
    dialog.lpstrDefExt = extension.empty() || extension == L"*" ? nullptr : extension.c_str();
    // The program's files are found beside it, never in the dialog's last
    // folder: the current folder stays where it was.
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    dialog.Flags |= question.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
    const BOOL chosen = question.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) return std::nullopt;
    return Text(name.data());
  }

  void setScreenPointer(Pointer pointer) override {
    SetCursor(LoadCursorW(nullptr, pointer == Pointer::hourglass ? IDC_WAIT : IDC_ARROW));
  }

  void runPendingEvents() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // Leave the quit request for the main loop, which ends the program.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  void endProgram(int exitCode) override { ExitProcess(static_cast<UINT>(exitCode)); }

  void reportError(TextView message) override { attachConsole()->writeLine(message, true); }

  Status openFileLocation(TextView path) override {
    useCom();
    const Text file(path);
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return lastWindowsError();
    const UniqueWin32Handle<ItemListTraits> item(ILCreateFromPathW(file.c_str()));
    if (item.valid() && SUCCEEDED(SHOpenFolderAndSelectItems(item.get(), 0, nullptr, 0))) {
      return success();
    }
    // The file manager's own switch does the same where the call does not.
    const Text arguments = L"/select,\"" + file + L"\"";
    const auto started = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", L"explorer.exe", arguments.c_str(), nullptr, SW_SHOWNORMAL));
    if (started <= 32) return windowsError(static_cast<DWORD>(started));
    return success();
  }

  Status showFileProperties(TextView path) override {
    useCom();
    const Text file(path);
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_FLAG_NO_UI;
    execute.hwnd = GetActiveWindow();
    execute.lpVerb = L"properties";
    // By path, not by item list: given an item list, a shell without the
    // verb runs the file instead (Wine's does), which must never happen here.
    execute.lpFile = file.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return lastWindowsError();
    if (ShellExecuteExW(&execute)) return success();
    // The file is there: a shell without the verb says so, Wine's by
    // calling the request invalid.
    const DWORD failed = GetLastError();
    if (failed == ERROR_INVALID_PARAMETER || failed == ERROR_NO_ASSOCIATION) {
      return windowsError(static_cast<DWORD>(noPropertiesDialogError));
    }
    return windowsError(failed);
  }

  Status openRegistryEditorAt(TextView key) override {
    const Text settingsPath(registryEditorSettingsKey);
    const Text valueName(registryEditorLastKeyName);
    HKEY opened = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, settingsPath.c_str(), 0, nullptr, 0,
                                     KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &opened, nullptr);
    if (status != ERROR_SUCCESS) return windowsError(static_cast<DWORD>(status));
    const UniqueRegistryHandle settings(opened);
    const bool wine = underWine();
    const Text lastKey =
        registryEditorLastKey(key, storedText(settings.get(), valueName), editorRootName(wine));
    status = RegSetValueExW(settings.get(), valueName.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(lastKey.c_str()),
                            static_cast<DWORD>((lastKey.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) return windowsError(static_cast<DWORD>(status));
    // Windows' editor started while a copy of it runs only brings that copy
    // forward, at the key it shows; -m starts a copy of its own, which reads
    // the last key. Wine's takes no such switch: it would look for a file
    // of that name to import.
    const auto started = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", L"regedit.exe", wine ? nullptr : L"-m", nullptr, SW_SHOWNORMAL));
    if (started <= 32) return windowsError(static_cast<DWORD>(started));
    return success();
  }

  Status showTrayIcon(TextView tip) override {
    NOTIFYICONDATAW data = trayIconData();
    data.uFlags = NIF_ICON | NIF_TIP;
    data.hIcon = programIcon();
    copyCut(tip, data.szTip);
    return notifyTray(data);
  }

  Status showTrayNotification(TextView title, TextView text) override {
    NOTIFYICONDATAW data = trayIconData();
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    copyCut(title, data.szInfoTitle);
    copyCut(text, data.szInfo);
    return notifyTray(data);
  }

  void removeTrayIcon() override {
    if (!trayIconShown_) return;
    NOTIFYICONDATAW data = trayIconData();
    Shell_NotifyIconW(NIM_DELETE, &data);
    trayIconShown_ = false;
  }

 private:
  // The icon is known to the notification area by its owner window and
  // number; a hidden window of its own outlives the main window.
  NOTIFYICONDATAW trayIconData() {
    if (!trayOwner_.valid()) {
      trayOwner_ = UniqueWin32Handle<WindowTraits>(CreateWindowExW(
          0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    }
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = trayOwner_.get();
    data.uID = 1;
    return data;
  }

  Status notifyTray(NOTIFYICONDATAW& data) {
    SetLastError(ERROR_SUCCESS);
    if (!trayIconShown_ && (data.uFlags & NIF_ICON) == 0) {
      // A notification needs the icon it comes from.
      NOTIFYICONDATAW icon = data;
      icon.uFlags = NIF_ICON;
      icon.hIcon = programIcon();
      if (!Shell_NotifyIconW(NIM_ADD, &icon)) return trayError();
      trayIconShown_ = true;
    }
    if (!Shell_NotifyIconW(trayIconShown_ ? NIM_MODIFY : NIM_ADD, &data)) return trayError();
    trayIconShown_ = true;
    return success();
  }

  // The program file's first icon (its resources' number 1), small; shared,
  // so the system keeps it.
  static HICON programIcon() {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  }

  // Shell_NotifyIconW sets no error of its own where no notification area
  // answers.
  static Error trayError() {
    const DWORD number = GetLastError();
    return windowsError(number != ERROR_SUCCESS ? number : ERROR_NOT_SUPPORTED);
  }

  template <std::size_t size>
  static void copyCut(TextView text, wchar_t (&to)[size]) {
    const std::size_t length = std::min(text.size(), size - 1);
    text.copy(to, length);
    to[length] = L'\0';
  }

  static bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }

  // The name of Windows' editor's tree root in the user's language; Wine's
  // editor names none in its last key.
  static TextView editorRootName(bool wine) {
    if (wine) return {};
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? L"コンピューター"
                                                                      : L"Computer";
  }

  // A string value of the key; "" when it has none.
  static Text storedText(HKEY key, const Text& name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ || size == 0) {
      return Text();
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS) {
      return Text();
    }
    const std::size_t length = std::min<std::size_t>(size / sizeof(wchar_t), buffer.size());
    Text text(buffer.data(), length);
    text.resize(std::min(text.size(), text.find(L'\0')));
    return text;
  }

  // The shell's calls want the apartment that a window's thread has.
  void useCom() {
    if (!comReady_) comReady_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  }

  TwipsScale scale_;
  UniqueWin32Handle<WindowTraits> clipboardOwner_;
  UniqueWin32Handle<WindowTraits> trayOwner_;
  bool trayIconShown_ = false;
  bool comReady_ = false;
};

}  // namespace

std::unique_ptr<WindowServices> makeSystemWindowServices() {
  return std::make_unique<Win32WindowServices>();
}

}  // namespace vemdrol
