#pragma once

#include "settings/generator.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringConverter>
#include <QStringView>

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
};

// A metered setting the file sets to a text that is not a number.
struct NotANumber {
    int row = 0; // index into settingRows
    FileLine line;
    QString value;
};

struct ConfigRead {
    // Rows the file does not set are switched off (enabled false) with their default values;
    // scripts and class binds it does not hold are unticked with their default keys.
    GenerationInput input;
    // Lines no window state writes: other commands, comments, values a control cannot hold,
    // incomplete script blocks. Blank lines are not listed.
    QList<FileLine> unheld;
    QList<NotANumber> notNumbers;
};

// The file's bytes as text: one character per byte in the 8-bit set of config files.
QString configFileText(const QByteArray &bytes, QStringConverter::Encoding encoding);

ConfigRead readConfig(QStringView text);

// What the user is told after an open, or an empty text when the window holds the whole file.
QString openReport(const ConfigRead &read);

QString cannotOpenMessage(const QString &path, const QString &description);
QString tooLargeMessage(const QString &path);

} // namespace brackwell
