#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// The bytes on disk, or "<missing>" so that a comparison names the file that is not there.
inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}
