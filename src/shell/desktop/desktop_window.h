#pragma once

class QWidget;

namespace stakor {

// What the forms and the main window ask of the desktop about their windows.
// Each answer depends on the display system; the rest of the program asks
// here and never looks at which system it runs on.

// Whether a request to minimise a window is carried out: X11 needs a window
// manager for it (without one the window stays up); elsewhere it is.
bool MinimizeHonoured();

// Whether a minimised window can be reached again from the desktop (a task
// bar, a window list): only where a window manager keeps such windows.
bool TaskBarPresent();

// Puts a dialog back on top of its owner and gives it the keyboard: without a
// window manager nothing keeps a dialog above the window it belongs to.
void RaiseAboveOwner(QWidget& dialog);

// Gives the keyboard back to a window once a dialog over it has closed:
// without a window manager the focus would otherwise fall to the screen's
// root and keys would reach the window only under the pointer.
void GiveFocusBack(QWidget& window);

// Places a dialog, about to be shown, with its middle on its owner's middle.
void CentreOnOwner(QWidget& dialog, const QWidget& owner);

} // namespace stakor
