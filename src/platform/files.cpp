#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <system_error>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace brackwell {

#ifdef Q_OS_WIN
QStringConverter::Encoding configFileEncoding()
{
    return QStringConverter::System; // the ANSI code page
}
#else
QStringConverter::Encoding configFileEncoding()
{
    return QStringConverter::Latin1;
}
#endif

namespace {

FileRead refused(FileRead::Kind kind)
{
    FileRead read;
    read.kind = kind;
    return read;
}

FileRead unreadable(const QString &reason)
{
    FileRead read;
    read.error = reason;
    return read;
}

// One byte beyond the limit tells a file that is too long, even one that claims no size.
FileRead bounded(QByteArray bytes, qint64 maxBytes)
{
    if (bytes.size() > maxBytes)
        return {{}, true, {}};
    return {std::move(bytes), false, {}};
}

} // namespace

#ifdef Q_OS_WIN

FileRead readFileBounded(const QString &path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (info.isDir())
        return refused(FileRead::Kind::Folder);
    if (info.exists() && !info.isFile())
        return refused(FileRead::Kind::Special);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(file.errorString());
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return unreadable(file.errorString());
    return bounded(std::move(bytes), maxBytes);
}

#else

namespace {

FileRead unreadable(int systemError)
{
    return unreadable(QString::fromLocal8Bit(std::system_category().message(systemError)));
}

FileRead::Kind kindOf(const struct stat &status)
{
    if (S_ISREG(status.st_mode))
        return FileRead::Kind::File;
    return S_ISDIR(status.st_mode) ? FileRead::Kind::Folder : FileRead::Kind::Special;
}

FileRead readOpenFile(int fd, qint64 maxBytes)
{
    QByteArray bytes;
    for (;;) {
        const qsizetype start = bytes.size();
        const qsizetype chunk = qsizetype(qMin<qint64>(64 * 1024, maxBytes + 1 - start));
        if (chunk <= 0)
            break;
        bytes.resize(start + chunk);
        const ssize_t got = ::read(fd, bytes.data() + start, size_t(chunk));
        if (got < 0 && errno == EINTR) {
            bytes.resize(start);
            continue;
        }
        if (got < 0)
            return unreadable(errno);
        bytes.resize(start + got);
        if (got == 0)
            break;
    }
    return bounded(std::move(bytes), maxBytes);
}

} // namespace

FileRead readFileBounded(const QString &path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status = {};
    if (::stat(name.constData(), &status) != 0)
        return unreadable(errno);
    if (kindOf(status) != FileRead::Kind::File)
        return refused(kindOf(status));
    // Should a pipe take the file's place after the check, opening it without O_NONBLOCK would
    // wait for a writer; the check on what was opened then refuses it.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return unreadable(errno);
    FileRead read;
    if (::fstat(fd, &status) != 0)
        read = unreadable(errno);
    else if (kindOf(status) != FileRead::Kind::File)
        read = refused(kindOf(status));
    else
        read = readOpenFile(fd, maxBytes);
    ::close(fd);
    return read;
}

#endif

} // namespace brackwell
