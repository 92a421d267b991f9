// What kind of window each of the main window's controls is, which the
// window's creation and its layout both ask.
#pragma once

#include "app/form.h"
#include "os/win32/windows.h"

namespace vemdrol {

inline const wchar_t* windowClassOf(Control control) {
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

inline DWORD styleOf(Control control) {
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

inline DWORD extendedStyleOf(Control control) {
  return control == Control::list || control == Control::searchBox ? WS_EX_CLIENTEDGE : 0;
}

inline bool isButton(Control control) {
  return control == Control::rebuildButton || control == Control::searchDownButton ||
         control == Control::searchUpButton;
}

// The controls above the list, and those that follow the window's bottom.
inline bool isTopControl(Control control) {
  return isButton(control) || control == Control::searchBox || control == Control::titleLabel;
}
inline bool isBottomControl(Control control) {
  return control == Control::statusLabel || control == Control::passMarks ||
         control == Control::stepMarks;
}

// The labels whose width follows their caption.
inline bool isAutoSizedLabel(Control control) {
  return control == Control::statusLabel || control == Control::titleLabel;
}

}  // namespace vemdrol
