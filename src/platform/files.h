#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>

// Reading a whole config file: a read that never waits and refuses what is no regular file.

namespace brackwell {

// What reading a file gave: its bytes, or why not.
struct FileRead {
    // What the path names. Only a regular file is read: a pipe, socket or device could keep the
    // window waiting for data that never comes.
    enum class Kind { File, Folder, Special };

    QByteArray bytes;
    bool tooLarge = false; // longer than the reader's limit; nothing was kept
    QString error;         // the system's reason when the file could not be read
    Kind kind = Kind::File;
    bool ok() const { return !tooLarge && error.isEmpty() && kind == Kind::File; }
};

// The 8-bit character set of config files on this system.
QStringConverter::Encoding configFileEncoding();

// Reads at most `maxBytes` and refuses a longer file, whatever size the system claims for it.
// Refuses a folder or anything but a regular file without reading from it, and never waits for
// data: a file the system makes up as it is read (as below /proc) is read like any other.
FileRead readFileBounded(const QString &path, qint64 maxBytes);

} // namespace brackwell
