#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Files that are no config script the game can read, and what the user is told about them.

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


// The Unicode encoding whose byte-order mark starts `bytes` ("UTF-16", "UTF-32"), or nothing. A
// Windows editor saves "Unicode" text that way; the game reads every byte as a character.
std::optional<QString> wideTextEncoding(QByteArrayView bytes);

QString folderMessage(const QString &path);
QString specialFileMessage(const QString &path);
QString wideTextMessage(const QString &path, const QString &encoding);

} // namespace brackwell
