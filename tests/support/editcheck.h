#pragma once

#include "document/configreader.h"
#include "support/randomstate.h"

#include <QString>
#include <QStringView>

// What an edit of a player's file must keep, checked without an engine: reading the edited text
// gives the window's state exactly; everything the window does not hold (other variables, other
// keys' binds) ends as the original left it; every line the edit had no reason to touch is still
// there, in order, byte for byte.

namespace brackwell::testing {

// A few random changes to `was`, as a user makes them in the window: rows switched off and on,
// values changed, UnBind All, scripts and class binds flipped, keys from the on-screen keyboard.
GenerationInput changedState(RandomState &random, const GenerationInput &was);

// Whether the edit can promise anything for `text`: not where the game runs commands after every
// place a line can go in ("/*" left open inside a command, a cut whose search runs to the end).
bool editPromised(QStringView text, const ConfigRead &read, bool utf8);

// Why `edited`, the edit of `text` (read as `read`) for `now`, breaks that promise; empty when it keeps it.
// `utf8`: the file is UTF-8, whose letters beyond ASCII the console counts in bytes.
QString editBreach(QStringView text, const ConfigRead &read, const GenerationInput &now, QStringView edited, bool utf8 = false);

} // namespace brackwell::testing
