#pragma once

#include "console/consolelines.h"

#include <QHash>
#include <QList>
#include <QString>

// What the game runs beyond the text's own commands, and where the window cannot know what a
// command does. A `vstr` puts its variable's value in front of the rest of the command buffer, so
// the value's commands run right after it, nested vstrs' first.

namespace brackwell {

struct ConsoleRun {
    // By index into ConsoleRead::commands: the commands a top-level vstr runs, in the game's order,
    // as the console cuts its variable's value (positions are the value's own).
    QHash<qsizetype, QList<QList<ReadWord>>> ranByVstr;
    // By index: a command whose effect on variables the window cannot know, and why it cannot. An
    // empty `variable`: it may change any of them.
    struct Unknown {
        QString variable;
        QString why;
    };
    QHash<qsizetype, Unknown> unknown;
};

// Follows every top-level vstr of a variable the text has set before it with set, seta, sets or
// setu. A vstr of a variable the text never sets, exec of another file, toggle, cycle, reset, unset
// and cvar_restart are unknown, as is a vstr whose value opens a "/*" comment (it would run on into
// the text after it) or runs vstrs without end (the game's buffer stops that at its size).
ConsoleRun runVstrs(const ConsoleRead &read, const ConsoleRules &rules);

} // namespace brackwell
