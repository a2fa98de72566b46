#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// A config file cut into commands and words the way the game's console cuts it: a line break
// always ends a command; ';' ends one too unless it stands inside double quotes or after "//";
// "//" outside quotes starts a comment to the end of the line; a word is a run of characters
// above the blank, or the text between two double quotes (blanks and ';' included, no escapes;
// a quote left open runs to the end of the line).

namespace brackwell {

struct ConsoleCommand {
    QList<QStringView> words; // point into the text that was split
    QList<bool> quoted;       // per word: it stood between double quotes
    int piece = 0;            // index into its line's pieces
    // False where the game's versions read the command differently: a character above 127
    // inside an unquoted word, which one version ends the word at and the other keeps, or a "//"
    // right after a ':' in one ("http://"), which one version keeps and another takes as a comment.
    bool clear = true;
};

struct ConsoleLine {
    int number = 0;                 // counted from 1; CR LF, LF and a lone CR each end a line
    QStringView text;               // the line as the file holds it, without its line break
    QList<ConsoleCommand> commands; // the commands with at least one word, in order
    // The line's text between its ';' separators, empty ones included: joined with ';' they give
    // the line again. A "//" comment stays in the last piece.
    QList<QStringView> pieces;
    QStringView comment;            // from "//" to the end of the line, trailing blanks removed
    // False where the game may not run the line as read here: inside or after a "/*" comment
    // (which one game version ends at "*/" on a later line and the other does not), or at or
    // after a NUL character (the game reads a config as a C string, so nothing after it runs).
    bool clear = true;

    bool blank() const { return commands.isEmpty() && comment.isEmpty() && clear; }
};

// The lines of `text`, which must outlive the result (the lines point into it).
QList<ConsoleLine> splitConsoleLines(QStringView text);

} // namespace brackwell
