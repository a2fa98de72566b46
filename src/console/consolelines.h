#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <algorithm>

// The game's console, per version: how a text becomes commands (the command buffer cuts it at ';'
// and line breaks, minding quotes, comments and the line length) and each command words.

namespace brackwell {

// The console of one game version, read exactly: the command buffer cuts the text into commands,
// then each command is cut into words. Where the versions differ, ConsoleRules says how.

struct ConsoleRules {
    const char *name;             // how a message names the version
    // The buffer itself knows "//" and "/* */": ';' does not split inside them, a "/*" comment
    // runs over line breaks, and "*/" ends the command. Without this only the word cutter skips
    // comments, each within its own command.
    bool bufferKnowsComments;
    bool highCharsInWords;        // a character above 127 stays inside an unquoted word
    bool colonKeepsSlashes;       // "//" right after ':' is no comment ("http://")
    bool setaTakesOneValue;       // seta/sets/setu set nothing unless exactly one value word follows
    int longestValue;             // longest value `set` keeps whole; 0 when there is no limit
    bool unsafeIsFlag;            // a last value word "unsafe" is a flag, not part of the value
};

// The characters that end a line of the output box: the file's line breaks, and the box's own.
inline bool endsConsoleLine(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == 0x2028 || u == 0x2029;
}

// The line break a line put into `text` gets: its most frequent of CR LF, LF and CR (in that order
// where as frequent), CR LF where it has none. Never U+2028, U+2029 or U+0085, which the game does
// not end a command at.
QString insertedLineBreak(QStringView text);

// ET: Legacy and the original 2.60 release.
extern const ConsoleRules legacyConsole;
extern const ConsoleRules originalConsole;

// A console line holds this many characters; a longer command is cut there.
inline constexpr qsizetype consoleLineLength = 1023;
// The word cutter keeps this many words of a command.
inline constexpr int consoleWordLimit = 256;

// What the console made of one character of the text.
enum class CharUse : quint8 {
    Blank,      // between words
    HighBlank,  // a character above 127 the console took for a blank
    Word,       // inside a word
    Quote,      // a double quote opening or closing a word
    Comment,    // skipped as a comment
    Separator,  // a ';' or line break that ended a command
    Dropped,    // the character a cut at the line length throws away
    Unread,     // never read: after a NUL character, or past the word limit
};

inline void setUses(QList<CharUse> &uses, qsizetype from, qsizetype to, CharUse use)
{
    std::fill(uses.begin() + from, uses.begin() + to, use);
}

struct ReadWord {
    qsizetype start = 0, end = 0; // in the text, its quotes included
    QString text;                 // what the console holds
};

struct ReadCommand {
    enum class End : quint8 { LineBreak, Semicolon, CommentEnd, Cut, TextEnd };
    qsizetype start = 0, end = 0; // the command's own text
    qsizetype scanEnd = 0;        // where the buffer found the command's end, before any cut
    End ending = End::LineBreak;
    QList<ReadWord> words;        // words read on past the end stand at `end`, empty
    // The word cutter read on past the end into the line buffer, where earlier commands left their
    // bytes: a change to those changes its words.
    bool readsOn = false;
    // It read there where no earlier command of the text wrote: its words there depend on what
    // ran before and are not known.
    bool readsUnknown = false;
};

struct ConsoleRead {
    QList<ReadCommand> commands;  // every command, with or without words
    QList<CharUse> uses;          // one per character of the text
    // Each comment the word cutter skipped: where its "//" or "/*" stands, where it ends.
    struct Skipped {
        qsizetype start = 0, end = 0;
        bool star = false;
    };
    QList<Skipped> comments;
    qsizetype nul = -1;           // the first NUL character, where the game stops reading
    // Where the "/*" stands that the buffer is still inside at the text's end; -1 for none.
    qsizetype openComment = -1;
};

// How many bytes each character of a text takes in its file: the console counts its line length in
// bytes. In UTF-8 a letter beyond ASCII takes two to four, each byte above 127 to the console.
// OnePerCharacter: each character is a byte of the file, of its own value (8-bit text); CountedBytes:
// one character per byte too, but one above 127 is not the byte's value (stand-ins for a letter's
// further bytes), so the byte rules that go by value do not apply.
enum class TextBytes : quint8 { OnePerCharacter, Utf8, CountedBytes };
// The bytes `c` takes; each half of a pair of surrogates counts two.
inline int bytesOf(QChar c, TextBytes bytes)
{
    if (c.unicode() < 0x80 || bytes != TextBytes::Utf8)
        return 1;
    return c.isSurrogate() || c.unicode() < 0x800 ? 2 : 3;
}

// What stands in a text read one character per byte for each further byte of a letter: a
// noncharacter, which no text holds.
inline constexpr QChar byteStandIn = QChar(0xFFFF);

// A reading of a text with stand-ins put back into the positions of the text it stands for:
// `toText` gives, per position read, the character it belongs to, and two more entries for the end
// and the line break after it. A position inside a character counts from the character's start,
// and a character is used as the first of its positions was.
ConsoleRead readInTextPositions(ConsoleRead read, const QList<qsizetype> &toText, qsizetype textSize, bool standIns);

// The text as the game executes it from a file: the whole text is one buffer, a line break after
// its end. Positions are the text's own; a character cut apart at the line length counts as cut
// before it.
ConsoleRead readAsConsole(QStringView text, const ConsoleRules &rules, TextBytes bytes = TextBytes::OnePerCharacter);

} // namespace brackwell
