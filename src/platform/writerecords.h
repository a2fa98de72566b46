#pragma once

#include "platform/filelayer.h"
#include "platform/keptsettings.h"

#include <QByteArray>
#include <QString>

// The record of what the program wrote to each file, kept between runs: a file that still holds
// exactly that is its own output, which a save may replace without keeping a copy.

namespace brackwell {

class WriteRecords
{
public:
    WriteRecords(KeptSettings &settings, FileLayer &files);

    // What a file holding `bytes` is to the program. Files are named with their links resolved;
    // the same file reached through another name (a hard link) is found by its identity.
    enum class Verdict {
        Unknown, // no record says the program wrote this: the player's, the game's, or a record lost
        Own,     // exactly what the program wrote from the window
        Typed,   // what the program wrote, holding lines the player typed or added in the box
    };
    Verdict verdict(const QString &file, const FileFacts &facts, const QByteArray &bytes);

    // Before `bytes` take the file's place: a run killed between the two still finds its own
    // output in either version. Empty, or why the record could not be stored.
    QString expect(const QString &file, const QByteArray &bytes, bool typed);
    // After: the file, of identity `identity`, holds `bytes`. Records of files that are gone go.
    QString written(const QString &file, const QByteArray &identity, const QByteArray &bytes, bool typed);

private:
    struct Entry;
    Entry find(const QString &file, const QByteArray &identity);
    QString keep(const QString &key, const QStringList &entry);
    void dropGone(const QString &folder);

    KeptSettings &m_settings;
    FileLayer &m_files;
};

} // namespace brackwell
