#pragma once

class QWidget;

namespace stakor {

// How the forms and the main window keep their dialogs in place and the
// keyboard where the player expects it, whether or not a window manager does.

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
