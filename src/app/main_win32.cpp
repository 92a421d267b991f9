// Entry point of vemdrol.exe.
#include "app/form1_win32.h"
#include "files/error_message.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls),
                                ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  auto services = vemdrol::makeSystemWindowServices();
  vemdrol::Form1 form(instance, *services);
  if (vemdrol::Status created = form.create(); !created) {
    const vemdrol::Text message = vemdrol::errorMessage(L"", created.error());
    MessageBoxW(nullptr, message.c_str(), L"Vemdrol", MB_OK | MB_ICONERROR);
    return 1;
  }
  form.load();

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(form.handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
