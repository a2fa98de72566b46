#pragma once

#include "platform/files.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Files that are no config script the game can read, and what the user is told about them.

namespace brackwell {

// The Unicode encoding whose byte-order mark starts `bytes` ("UTF-16", "UTF-32"), or nothing. A
// Windows editor saves "Unicode" text that way; the game reads every byte as a character.
std::optional<QString> wideTextEncoding(QByteArrayView bytes);

// Whether `bytes` are no text at all (a program, a picture, an archive): NUL characters or other
// control characters well beyond the stray one a text may carry.
bool holdsBinaryData(QByteArrayView bytes);

QString folderMessage(const QString &path);
QString binaryFileMessage(const QString &path);
QString specialFileMessage(const QString &path);
QString wideTextMessage(const QString &path, const QString &encoding);

} // namespace brackwell
