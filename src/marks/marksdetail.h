#pragma once

#include "console/consolecommands.h"
#include "marks/consolemarks.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <algorithm>

// What the units of the output box's marks share: the meaning of a line as written (linemeaning),
// the comparison of that meaning with the console's reading (markcompare), the words of the tips
// (marktips) and the colours (consolecolours). readBox (consolemarks) puts them together.

namespace brackwell::marks {

bool isBlank(QChar c);
QStringView trimmedEnd(QStringView text);
bool quotedWhole(QStringView text);

struct Span {
    qsizetype start = 0, end = 0;
};

struct Value {
    MeantValue meant;
    enum Form {
        AsWritten, // every character its own, blanks included
        Quoted,    // the text inside a pair of double quotes
        Unclosed,  // the text after a double quote that nothing closes
    } form = AsWritten;
    qsizetype end = 0; // in the rest: the end of the text the value comes from, its quotes included
};

enum class Shape { Plain, Set, Bind };

struct Meaning {
    Shape shape = Shape::Plain;
    QList<CharUse> uses; // per character of the line: Blank, Word, Quote or Comment
    bool openAfter = false;
    QStringList words;   // a plain line's words
    QString command;     // the command word of a set or bind line, as written
    QString name;        // the variable, or the key
    Value value;         // a set line's value
    qsizetype valueStart = 0, valueEnd = 0;
    QStringList bound;   // a bind line's command words
};

// The commands of one console line: those with a word starting in it.
struct LineCommands {
    QList<int> commands;
    bool spills = false; // one of them has words outside the line
};

// The line text[from, to), after lines that left a "/*" comment open or not.
Meaning readMeaning(QStringView text, qsizetype from, qsizetype to, bool open);

// Whether the console read the line as it is meant.
bool readAsMeant(const Meaning &m, const ConsoleRead &read, const LineCommands &line, const ConsoleRules &rules);

// One explained stretch, before it gets its subject ("The game", or the version).
struct Stretch {
    qsizetype start = 0, end = 0;
    QString predicate; // follows the subject: "ends the command at ..."
};

// The box's lines, which '\n' alone ends.
struct Lines {
    QList<qsizetype> starts;
    qsizetype size = 0;

    int at(qsizetype position) const
    {
        return int(std::upper_bound(starts.begin(), starts.end(), position) - starts.begin()) - 1;
    }
    qsizetype end(int line) const { return line + 1 < starts.size() ? starts[line + 1] - 1 : size; }
};

struct LineContext {
    QStringView text;
    const ConsoleRead &read;
    const ConsoleRules &rules;
    const Meaning &m;
    qsizetype from = 0, to = 0; // the console line
    const LineCommands &line;
    const Lines &lines;
    bool afterNul = false;
    const QList<CharUse> *lineUses = nullptr; // the console's uses of this line to compare, where not read.uses

    // Where a position stands, seen from this line: "on the line above", "3 lines below".
    QString where(qsizetype position) const
    {
        const int delta = lines.at(position) - lines.at(from);
        if (delta == 0)
            return QStringLiteral("on this line");
        if (delta == -1 || delta == 1)
            return delta < 0 ? QStringLiteral("on the line above") : QStringLiteral("on the line below");
        return QStringLiteral("%1 lines %2").arg(std::abs(delta)).arg(delta < 0 ? "above" : "below");
    }
};

// Why the console's reading of a line differs from its meaning: the stretches, in order.
QList<Stretch> explain(const LineContext &c);

// The console lines of a version's reading of the text, with the commands that have words in them.
QList<LineCommands> commandsByLine(const ConsoleRead &read, const QList<Span> &lines);

// The colours of the box's words, comments and colour codes, as `read` takes them.
void colour(QStringView text, const ConsoleRead &read, const Lines &lines, QList<BoxLine> &out);

// The words of the tips.
QString shown(QStringView text);
QString quoted(QStringView text);
QString joinedWords(const QList<ReadWord> &words);
const ConsoleRead::Skipped *commentAt(const ConsoleRead &read, qsizetype at);
QString commentPredicate(const LineContext &c, const ConsoleRead::Skipped &comment);
QString wordsIn(const LineContext &c, qsizetype from, qsizetype to);

} // namespace brackwell::marks
