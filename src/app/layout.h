// How the main window places itself and its controls at run time: the
// centring at start-up, and the rule that follows the window's size.
#pragma once

#include "app/form.h"

namespace vemdrol {

// Left and top that centre a window of the given size on the screen: each
// difference rounded to a whole number, then halved with division that
// truncates toward zero.
TwipsRect centredOnScreen(const TwipsRect& window, TwipsSize screen);

// The window no larger than the work area (the screen less the task bar),
// then moved, if it sticks out, just far enough to lie inside it.
TwipsRect fittedToWorkArea(const TwipsRect& window, const TwipsRect& workArea);

// The resize rule: the list follows the window's size, the status line and
// both progress rows follow its bottom edge; nothing else moves. A minimised
// window is left alone.
void applyResizeLayout(Form& form);

}  // namespace vemdrol
