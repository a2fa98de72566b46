#include "document/configfile.h"

#include <QDir>

namespace brackwell {

std::optional<QString> wideTextEncoding(QByteArrayView bytes)
{
    // The UTF-32 marks first: little-endian UTF-32 starts with the UTF-16 mark. Lengths are
    // given, as the marks hold NUL bytes.
    if (bytes.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)) || bytes.startsWith(QByteArrayView("\0\0\xFE\xFF", 4)))
        return QStringLiteral("UTF-32");
    if (bytes.startsWith(QByteArrayView("\xFF\xFE", 2)) || bytes.startsWith(QByteArrayView("\xFE\xFF", 2)))
        return QStringLiteral("UTF-16");
    return std::nullopt;
}

QString folderMessage(const QString &path)
{
    return QStringLiteral("\"%1\" is a folder, not a config file").arg(QDir::toNativeSeparators(path));
}

bool holdsBinaryData(QByteArrayView bytes)
{
    // Text carries tabs, line breaks, form feeds and now and then one stray control character (a
    // NUL an editor left at the end); a program or a picture has them everywhere.
    qsizetype nuls = 0, controls = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0)
            ++nuls;
        else if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' && byte != '\v') ||
                 byte == 0x7f)
            ++controls;
    }
    return nuls > 1 || controls > qMax<qsizetype>(8, bytes.size() / 100);
}

QString binaryFileMessage(const QString &path)
{
    return QStringLiteral("\"%1\" is not a config: it holds binary data").arg(QDir::toNativeSeparators(path));
}

QString specialFileMessage(const QString &path)
{
    return QStringLiteral("\"%1\" is a device, pipe or socket, not a config file").arg(QDir::toNativeSeparators(path));
}

QString wideTextMessage(const QString &path, const QString &encoding)
{
    return QStringLiteral("\"%1\" is saved as %2 text, but the game reads 8-bit text: save the file as ANSI or "
                          "UTF-8 and open it again")
        .arg(QDir::toNativeSeparators(path), encoding);
}

} // namespace brackwell
