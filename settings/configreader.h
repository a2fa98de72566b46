#pragma once

#include "settings/generator.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringConverter>
#include <QStringView>

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
    // The game may read the line otherwise than the window does: a "/* */" comment, a character
    // its versions take differently, or the value of a row's variable that the row cannot hold.
    bool doubtful = false;
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

// One line of the text, as far as changing it in place needs.
struct LinePlace {
    TextSpan text;          // without its line break
    TextSpan whole;         // with its line break
    QList<TextSpan> pieces; // the text between its ';' separators
    // The blank line before it where taking this line out would leave two blank lines together,
    // or one at the end: it goes with the line.
    std::optional<TextSpan> blankBefore;
};

// A command the window took a value or a key from.
struct CommandPlace {
    LinePlace line;
    int piece = 0;  // which of the line's pieces holds the command
    TextSpan word;  // the value (all its words) or the key, without quotes
    bool quoted = false;
};

struct BlockPlace {
    TextSpan lines; // from its first line to the end of its bind line, line break included
    std::optional<TextSpan> blankBefore;
    CommandPlace bind; // the key is its word
};

// Where the state the window took stands in the text.
struct ConfigPlaces {
    // Per row, the last command that sets its variable, whether the row could hold its value or not.
    std::array<std::optional<CommandPlace>, SettingCount> settings;
    std::array<std::optional<BlockPlace>, ScriptCount> scripts;
    std::array<std::optional<CommandPlace>, ClassBindCount> classes;
    QList<CommandPlace> unbindAlls;
    // Per key (by keyIdentity), where the file binds or unbinds it last.
    QHash<QString, qsizetype> lastOnKey;
    std::optional<qsizetype> firstBindLine; // the start of the first line that binds a key
    std::optional<qsizetype> afterLastHeld; // the end of the last line the window took something from
    QString lineBreak = QStringLiteral("\r\n"); // the file's own, for lines put in
};

struct ConfigRead {
    // The state the game ends in, as far as the window can hold it. Rows the file does not set
    // are switched off (enabled false) with their default values; scripts and class binds whose
    // key the file does not leave bound to them are unticked with their default keys.
    GenerationInput input;
    // Lines with anything the window does not take: other commands, comments, earlier settings of
    // a variable, values a control cannot hold, lines the game may read otherwise. Blank lines
    // and lines wholly the window's are not listed.
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

ConfigRead readConfig(QStringView text);

// What the user is told after an open: a few sentences, and every line kept as it is for the
// box's details, those the game may read otherwise first. Empty when the window holds the whole file.
struct OpenReport {
    QString text;
    QString details;
};
OpenReport openReport(const ConfigRead &read);

QString cannotOpenMessage(const QString &path, const QString &description);
QString tooLargeMessage(const QString &path);

} // namespace brackwell
