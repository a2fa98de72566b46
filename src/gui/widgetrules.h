#pragma once

class QWidget;

// Rules that hold for every control of a kind in a window, applied once after the window is built.

namespace brackwell {

// Editable lists keep exactly what the user types: no completion, no case folding, and Enter adds
// no item. The text in a list is a value written to the script, not a search for an item.
void keepTypedText(QWidget *root);

// Enter and Return on a focused push button press it, as Space does.
void pressButtonsOnEnter(QWidget *root);

} // namespace brackwell
