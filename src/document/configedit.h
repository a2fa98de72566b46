#pragma once

#include "document/configreader.h"

#include <QString>
#include <QStringConverter>
#include <QStringView>

// "Create Config" on an opened file: the window's state put into the player's own text.

namespace brackwell {

// `text` with the state `now` put into it, where `read` is what the window took from `text`. What
// the window still holds as it took it stays byte for byte; a changed value or key replaces only
// that word; a row switched off, or a script or class bind unticked, takes its command out; what is
// newly switched on or ticked goes in as a generation pass writes it: settings after the last line
// the window took something from, UnbindAll before the first bind, scripts and class binds at the
// end. Everything else stays, in its place.
QString editConfig(QStringView text, const ConfigRead &read, const GenerationInput &now);

// Why the edit for `now` is refused: a row's value holds a character the console cannot keep inside
// a value (a '"', a line break), which in the file would end the value early and change the
// commands after it. Empty when the edit may go ahead.
QString unwritableValueMessage(const GenerationInput &now);

} // namespace brackwell
