#pragma once

#include "console/consolelines.h"

#include <QList>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <QStringView>

#include <memory>

// The output box read as the game's console reads it: what to colour in each line, and a mark on
// every stretch the game takes differently from how the line is written.
//
// How a line is meant to be read:
// - `seta <name> <value>` (also set, sets, setu): the variable is to hold the value as written:
//   the text after the name and one blank, less a trailing "//" comment. A value in double quotes
//   means the text inside them; an unclosed quote runs to the end of the line; after a quoted
//   value the word "unsafe" is a flag (the game writes it so). The generator's own setting lines,
//   `seta <catalogue variable> "<value>"`, mean exactly the text between the quotes.
// - `bind <key> <command>`: the key is to run the command as written; its words count, not the
//   blanks between them or the double quotes around them, and a trailing "//" comment is none of
//   it. The generator's script and class binds end in their fixed command; their key is all the
//   text before it.
// - Any other line: one command with the words as written. A word is a run of characters above
//   the blank, or, when it starts with a double quote, the text up to the next double quote that
//   ends a word. "//" or "/*" at the start of a word begins a comment.
// A line is marked when the console's reading differs from that: other words, another value, a
// command split off or cut, text skipped as a comment, or a comment read as a command.

namespace brackwell {

enum class TextRole : quint8 { Command, Name, Value, Comment };

// Positions count characters from the start of the box line.
struct RoleStretch {
    int start = 0;
    int length = 0;
    TextRole role = TextRole::Value;
};

// A colour code "^0" to "^9" inside a value: two characters.
struct CodeStretch {
    int start = 0;
    int digit = 0;
};

struct LineMark {
    int start = 0;
    int length = 0;
    QString tip; // one sentence: what the game will do
};

struct BoxLine {
    QList<RoleStretch> roles;
    QList<CodeStretch> codes;
    QList<LineMark> marks;
};

bool operator==(const RoleStretch &a, const RoleStretch &b);
bool operator==(const CodeStretch &a, const CodeStretch &b);
bool operator==(const LineMark &a, const LineMark &b);
bool operator==(const BoxLine &a, const BoxLine &b);
inline bool operator!=(const BoxLine &a, const BoxLine &b) { return !(a == b); }

// Where a reading starts: the box's first line, or the line after one where every version's
// console stands at the start of a new command.
struct BoxStart {
    bool inComment = false;   // a "/*" comment written on an earlier line is still open
    bool afterNul = false;    // an earlier line holds a NUL character, where the game stops reading
};

struct BoxReading {
    QList<BoxLine> lines;      // one per line of the text; '\n' ends a line
    // After each line: whether every console stands at the start of a new command, and how the
    // next line starts. After a settled line the rest reads the same from that start alone.
    QList<bool> settled;
    QList<BoxStart> next;
};

// ET: Legacy first: colours follow its reading.
const QList<const ConsoleRules *> &gameVersions();

// How the box's characters are saved: in the character set of the file, where a letter beyond ASCII
// may take two bytes or more of the console's line (UTF-8, the double-byte Windows code pages).
class SavedBytes
{
public:
    static const SavedBytes OnePerCharacter;
    static const SavedBytes Utf8;
    explicit SavedBytes(QStringConverter::Encoding encoding) : m_encoding(encoding) {}
    // The bytes `c` takes in the file; each half of a pair of surrogates counts on its own.
    int of(QChar c) const;
    bool operator==(const SavedBytes &other) const { return m_encoding == other.m_encoding; }

private:
    QStringConverter::Encoding m_encoding;
};

BoxReading readBox(QStringView text, const BoxStart &start = {},
                   const QList<const ConsoleRules *> &versions = gameVersions(),
                   const SavedBytes &bytes = SavedBytes::OnePerCharacter);

// The same reading with each line's colours and marks worked out when asked for: after a change
// to a long box, the consoles read all of it again, but only the lines shown need explaining.
class BoxReader
{
public:
    BoxReader(QStringView text, const BoxStart &start = {}, const QList<const ConsoleRules *> &versions = gameVersions(),
              const SavedBytes &bytes = SavedBytes::OnePerCharacter);
    ~BoxReader();
    BoxReader(const BoxReader &) = delete;
    BoxReader &operator=(const BoxReader &) = delete;

    int lineCount() const;
    bool settled(int line) const;
    BoxStart next(int line) const;
    BoxLine line(int line) const;

private:
    struct Reading;
    std::unique_ptr<const Reading> m_reading;
};

// The tip of a mark on a line whose difference no rule explains; no line should get it.
extern const char *const unexplainedTip;

// The meaning of the pieces of a line, as above.
struct MeantValue {
    QString value;
    bool unsafe = false;
};
MeantValue meantValue(QStringView rest);
// A bind's command as written: its words, split at blanks and double quotes.
QStringList meantCommandWords(QStringView rest);
// The words of a command text, split at blanks and double quotes.
QStringList commandWords(QStringView command);
// The words of a line read as one command with the words as written, comments left out.
// `inComment`, where given, says whether a "/*" comment is open before the line and after it.
QStringList plainWords(QStringView line, bool *inComment = nullptr);

} // namespace brackwell
