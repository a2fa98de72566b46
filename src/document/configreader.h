#pragma once

#include "document/openreport.h"
#include "script/generator.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringConverter>
#include <QStringView>

#include <algorithm>
#include <array>
#include <optional>

// Reading a config file back into the window's state: the generator's mirror. The state is the
// one whose "Create Config" writes the file's lines again; what no state writes is listed.

namespace brackwell {

// A config is a few kilobytes; anything above this is no config script: the game's console
// buffer holds 128 KiB, so a longer file cannot run whole. The limit also keeps opening quick, as
// the output box takes about a microsecond for each line.
inline constexpr qint64 maxConfigFileSize = 128 * 1024;

struct FileLine {
    int number = 0; // counted from 1
    QString text;
    // The game may read the line otherwise than the window does: its versions part there, or it
    // sets a row's variable to a value the row cannot hold.
    bool doubtful = false;
    QString why; // a few words on why the line is listed
};

// A metered setting the file sets to a text that is not a number.
struct NotANumber {
    int row = 0; // index into settingRows
    FileLine line;
    QString value;
};

// A stretch of the text that was read, by offsets into it.
struct TextSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype end() const { return start + length; }
};

// One line of the text: CR LF, LF and a lone CR end a line.
struct LineSpan {
    TextSpan text;          // without its line break
    qsizetype breakEnd = 0; // after its line break
    bool white = false;     // nothing but blanks
    // A "/*" comment that runs over a line break starts or ends on it, or a NUL character that stops
    // the game reading stands on it: taking the line out whole would let the game read otherwise.
    bool staysWhole = false;
    // It starts inside a "/*" comment the game is in: a line put in before it would not run.
    bool inComment = false;
    // It holds part of a command cut at 1,023 bytes inside a "/*" comment, or text the console's search
    // for that command's end ran over (CommandSpan::asItIs): a line put in between two such lines
    // would go inside that search.
    bool asItIs = false;
};

// The index of the line that holds text position `at`.
inline int lineHolding(const QList<LineSpan> &lines, qsizetype at)
{
    return int(std::upper_bound(lines.cbegin(), lines.cend(), at,
                                [](qsizetype pos, const LineSpan &line) { return pos < line.text.start; })
               - lines.cbegin()) - 1;
}

// A command the game runs, as ET: Legacy's console cuts the text: from its first word's start to its
// last word's end, and the line its first word stands on.
struct CommandSpan {
    qsizetype first = 0, last = 0;
    int line = 0;
    // Where the console starts reading it (after the separator before it, comments included), and
    // where its search for the command's end stopped: what it reads depends on that stretch alone,
    // unless an earlier command cut at 1,023 bytes searched on into it: then readFrom is that
    // command's start, and what the buffer reads from there on depends on the rest of the text.
    qsizetype readFrom = 0, searchedTo = 0;
    bool searchedIntoAfterCut = false;
    // Where the console cuts it at 1,023 bytes, dropping the character there; -1 where it does not.
    qsizetype cut = -1;
    // It stands on the lines of a command cut at 1,023 bytes inside a "/*" comment, whose buffer search
    // may run on past the cut over line breaks while the text after the cut runs afresh: a change
    // there can move the cut or where that search stops, and with it every comment after. The
    // edit leaves it as it is.
    bool asItIs = false;
};

// A word the window may change: a value (all its words) or a key, without quotes.
struct WordPlace {
    int command = 0; // index into the commands
    TextSpan word;
    bool quoted = false;
};

// A whole script block: its lines from the first to its bind line.
struct BlockPlace {
    int firstLine = 0, lastLine = 0;
    WordPlace bind;
};

// Where the text's commands stand, and which of them the window took.
struct ConfigPlaces {
    QList<LineSpan> lines;
    QList<CommandSpan> commands; // every command with words, in order
    // Per row, every command that sets its variable, and the value of the last.
    std::array<QList<int>, SettingCount> setters;
    std::array<std::optional<WordPlace>, SettingCount> settings;
    std::array<std::optional<BlockPlace>, ScriptCount> scripts;
    std::array<std::optional<WordPlace>, ClassBindCount> classes;
    // The other keys the file leaves bound to a script's block or a class bind: unticked, they go too.
    std::array<QList<BlockPlace>, ScriptCount> otherScripts;
    std::array<QList<int>, ClassBindCount> otherClasses;
    QList<int> unbindAlls;
    // Binds and unbinds that an unbindall after them clears: they go with it.
    QList<int> clearedBinds;
    // Per key (by keyIdentity), the command that binds or unbinds it last, and all of them in order.
    QHash<QString, int> lastOnKey;
    QHash<QString, QList<int>> onKey;
    QHash<int, QString> keyOf; // the key of each bind and unbind
    // The first line of the first command that binds (of its script block): a bind, a vstr whose
    // value binds, a command that may bind (exec).
    std::optional<int> firstBindLine;
    std::optional<int> lastHeldLine;  // the last line the window took something from
    // Per row, the top-level vstr that leaves its variable's value (a player's preset): a new
    // value goes in after it, the preset stays.
    std::array<std::optional<int>, SettingCount> presets;
    // The last line with a command that may change a row's variable other than its own setters: a
    // vstr, exec, toggle, reset. Settings put in go after it.
    std::optional<int> lastReachingLine;
    // Where lines put in at the end go: after the last line, or where the game stops reading (a "/*"
    // comment the text leaves open, a NUL character), and the line that holds that place.
    qsizetype endAt = 0;
    int endLine = 0;
    QString lineBreak = QStringLiteral("\r\n"); // the file's own, for lines put in (insertedLineBreak)
    bool utf8 = false;                          // the text came from UTF-8: the console counts its bytes
};

struct ConfigRead {
    // The state the game ends in, as far as the window can hold it. Rows the file does not set
    // are switched off (enabled false) with their default values; scripts and class binds whose
    // key the file does not leave bound to them are unticked with their default keys.
    GenerationInput input;
    // Lines with anything the window does not take: other commands, comments, earlier settings of
    // a variable, values a control cannot hold, lines the game's versions read otherwise. Blank
    // lines and lines wholly the window's are not listed.
    QList<FileLine> unheld;
    QList<NotANumber> notNumbers;
    ConfigPlaces places;
};

// The file's bytes as text: one character per byte in the 8-bit set of config files.
QString configFileText(const QByteArray &bytes, QStringConverter::Encoding encoding);

// A file's text and the encoding its bytes are in: UTF-8 where the bytes are valid UTF-8 and not
// all ASCII, else `eightBit`. A UTF-8 byte-order mark stays in the text, so it is written back.
struct DecodedConfig {
    QString text;
    QStringConverter::Encoding encoding;
};
DecodedConfig decodeConfigFile(const QByteArray &bytes, QStringConverter::Encoding eightBit);

// `utf8`: the text was decoded from UTF-8, rather than one character per byte of the file.
ConfigRead readConfig(QStringView text, bool utf8 = false);

QString cannotOpenMessage(const QString &path, const QString &description);
QString tooLargeMessage(const QString &path);

} // namespace brackwell
