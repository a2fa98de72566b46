#pragma once

class QPlainTextEdit;

namespace brackwell {

class Desktop;

// Ctrl+G in the box asks the desktop for a line number and puts the text cursor at that line's
// start: a line the open message names is found without counting. A shortcut of the box alone.
void addGoToLine(QPlainTextEdit *box, Desktop &desktop);

} // namespace brackwell
