#pragma once

#include "console/consolelines.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// What a command the console cut into words does in the game: which variable it sets to what, which
// key it binds or unbinds. The reader, the edit and the marks all take a command's effect from here.

namespace brackwell {

// Command and variable names are compared as the game compares them: without regard to case.
bool sameName(QStringView word, QLatin1StringView name);
// set, seta, sets and setu: one command of the game serves them all.
bool isSetCommand(QStringView word);
bool isBindCommand(QStringView word);

// Whether a last word "unsafe" is the flag the game writes after a value of its own, not part of the
// value. 2.60's seta takes a fourth word for that flag alone: with any other it sets nothing.
bool takesUnsafeFlag(const ConsoleRules &rules, const QList<ReadWord> &words);
// The value a set command leaves in its variable under `rules`, or none when it sets nothing.
std::optional<QString> storedValue(const ConsoleRules &rules, const QList<ReadWord> &words);
// A variable name the game refuses (it sets "BADNAME" instead).
bool refusedName(QStringView name);

// How `value` is written in place of the text [start, end) of a command so that the console reads
// one word there, exactly `value`, and every word around it as before: bare where it can stand bare,
// else in double quotes. `inQuotes`: the place lies between quotes that stay. Empty where no writing
// can: a '"' or a line break inside `value`.
std::optional<QString> wordInPlace(QStringView text, qsizetype start, qsizetype end, bool inQuotes, QStringView value);

struct CommandEffect {
    enum class Kind : quint8 { None, Set, Bind, Unbind, UnbindAll };
    Kind kind = Kind::None;
    QString name;  // the variable, or the key as written
    QString value; // what the variable gets, or what the key runs (empty: the key is unbound)
    // The words the value or the key stands in, by index.
    qsizetype firstWord = 0, lastWord = 0;
};

// What `words` do under `rules`. A bare `<name> <value...>` sets a variable only where `isVariable`
// says the game has one of that name.
CommandEffect commandEffect(const QList<ReadWord> &words, const ConsoleRules &rules,
                            bool (*isVariable)(QStringView name) = nullptr);

} // namespace brackwell
