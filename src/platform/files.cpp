#include "platform/files.h"

#include "platform/gamefolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <system_error>

#ifdef Q_OS_WIN
#include "platform/win32files.h"
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace brackwell {

namespace {

// The system's error numbers as the one-click save's codes; Windows' own are in win32files.cpp.
int oneClickCode(int systemError)
{
#ifdef Q_OS_WIN
    return win32::oneClickCode(static_cast<unsigned long>(systemError));
#else
    switch (systemError) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return 5;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return 101;
    default: return 0;
    }
#endif
}

WriteFailure failure(WriteFailure::Stage stage, int systemError)
{
    return {stage, oneClickCode(systemError), systemError,
            QString::fromLocal8Bit(std::system_category().message(systemError))};
}

// A name for the temporary file beside the target that no other file has yet.
QString temporaryName(const QString &target)
{
    return target + u'.' + QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".tmp");
}

constexpr int nameAttempts = 100;
} // namespace

bool folderTakesNewFiles(const QString &folder)
{
    // Asking for the rights instead would miss what only trying shows: access lists, read-only
    // drives, quotas.
    const QString base = QDir(folder).filePath(QLatin1StringView(oneClickFileName));
    for (int attempt = 0; attempt < nameAttempts; ++attempt) {
        QFile probe(temporaryName(base));
        if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            probe.close();
            probe.remove();
            return true;
        }
        if (!probe.exists())
            return false; // refused for another reason than a taken name
    }
    return false;
}

#ifdef Q_OS_WIN

std::optional<WriteFailure> writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    const QString target = QFileInfo(path).absoluteFilePath();
    const std::optional<win32::Failure> failed =
        win32::replaceFile(QDir::toNativeSeparators(target).toStdWString(), bytes.constData(), size_t(bytes.size()),
                           [&] { return QDir::toNativeSeparators(temporaryName(target)).toStdWString(); });
    if (!failed)
        return std::nullopt;
    const auto stage = failed->step == win32::Failure::Step::Write ? WriteFailure::Stage::Write
                                                                   : WriteFailure::Stage::Create;
    return failure(stage, int(failed->error));
}

std::optional<WriteFailure> copyFileSafely(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return WriteFailure{WriteFailure::Stage::Create, 0, 0, source.errorString()};
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return WriteFailure{WriteFailure::Stage::Create, 0, 0, source.errorString()};
    // The writer refuses a read-only copy, and replaces a link at `to` rather than following it.
    const std::optional<win32::Failure> failed =
        win32::replaceFile(QDir::toNativeSeparators(QFileInfo(to).absoluteFilePath()).toStdWString(),
                           bytes.constData(), size_t(bytes.size()),
                           [&] { return QDir::toNativeSeparators(temporaryName(to)).toStdWString(); });
    if (!failed)
        return std::nullopt;
    return failure(failed->step == win32::Failure::Step::Write ? WriteFailure::Stage::Write
                                                               : WriteFailure::Stage::Create,
                   int(failed->error));
}

QStringConverter::Encoding configFileEncoding()
{
    return QStringConverter::System; // the ANSI code page
}

#else

namespace {

// Writes every byte to `fd`, or the system's error.
int writeAll(int fd, const char *data, qsizetype left)
{
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return ENOSPC;
        data += written;
        left -= written;
    }
    return 0;
}

// Writes `bytes` into the file `target` itself, where the folder takes no new file but lets the
// file be overwritten; the copy made before keeps what it held.
std::optional<WriteFailure> overwriteInPlace(const QByteArray &targetName, const QByteArray &bytes)
{
    const int fd = ::open(targetName.constData(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return failure(WriteFailure::Stage::Create, errno);
    int error = writeAll(fd, bytes.constData(), bytes.size());
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return failure(WriteFailure::Stage::Write, error);
    return std::nullopt;
}

// Puts a file holding `bytes` at `target` (a link there is replaced, not followed) with the rights
// `mode`: through a temporary file beside it that takes its name once every byte is on the disk.
std::optional<WriteFailure> replaceAt(const QString &target, const QByteArray &bytes, std::optional<mode_t> mode)
{
    const QByteArray targetName = QFile::encodeName(target);
    int fd = -1;
    QByteArray tempName;
    for (int attempt = 1; fd < 0; ++attempt) {
        tempName = QFile::encodeName(temporaryName(target));
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int error = errno;
            struct stat existing = {};
            if ((error == EACCES || error == EPERM) && ::lstat(targetName.constData(), &existing) == 0
                && S_ISREG(existing.st_mode))
                return overwriteInPlace(targetName, bytes);
            if (error != EEXIST || attempt == nameAttempts)
                return failure(WriteFailure::Stage::Create, error);
        }
    }
    const auto abandon = [&](WriteFailure::Stage stage, int error) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(tempName.constData());
        return failure(stage, error);
    };
    if (mode && ::fchmod(fd, *mode & 07777) != 0) {
        // Not worth refusing the save for: the new file then has the usual rights.
    }
    if (const int error = writeAll(fd, bytes.constData(), bytes.size()))
        return abandon(WriteFailure::Stage::Write, error);
    if (::fsync(fd) != 0)
        return abandon(WriteFailure::Stage::Write, errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return abandon(WriteFailure::Stage::Write, errno);
    if (::rename(tempName.constData(), targetName.constData()) != 0)
        return abandon(WriteFailure::Stage::Create, errno);

    // The new name itself reaches the disk with the folder.
    const int folder = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        if (::fsync(folder) != 0) {
            // The file is in place already; some file systems cannot sync a folder.
        }
        ::close(folder);
    }
    return std::nullopt;
}

} // namespace

std::optional<WriteFailure> writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    // Saving through a link replaces the file it points to, not the link.
    const QFileInfo info(path);
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    struct stat existing = {};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &existing) == 0;
    // The replaced file keeps who may read and write it.
    return replaceAt(target, bytes, exists ? std::optional<mode_t>(existing.st_mode) : std::nullopt);
}

std::optional<WriteFailure> copyFileSafely(const QString &from, const QString &to)
{
    const int source = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (source < 0)
        return failure(WriteFailure::Stage::Create, errno);
    struct stat status = {};
    QByteArray bytes;
    int error = ::fstat(source, &status) != 0 ? errno : S_ISREG(status.st_mode) ? 0 : EINVAL;
    for (char chunk[64 * 1024]; error == 0;) {
        const ssize_t got = ::read(source, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        bytes.append(chunk, got);
    }
    ::close(source);
    if (error != 0)
        return failure(WriteFailure::Stage::Create, error);

    // A copy marked read-only, or one this user may not write, is someone's to keep: it is not
    // replaced, whatever rights the folder gives (and even for an administrator).
    struct stat old = {};
    const QByteArray toName = QFile::encodeName(to);
    if (::lstat(toName.constData(), &old) == 0 && !S_ISLNK(old.st_mode)) {
        if (S_ISDIR(old.st_mode))
            return failure(WriteFailure::Stage::Create, EISDIR);
        if ((old.st_mode & 0222) == 0 || ::access(toName.constData(), W_OK) != 0)
            return failure(WriteFailure::Stage::Create, EACCES);
    }
    // The copy is as private as the file.
    return replaceAt(to, bytes, status.st_mode);
}

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

#ifdef Q_OS_WIN

bool isReadOnlyFile(const QString &path)
{
    // Qt reads the read-only attribute here, not the access lists.
    const QFileInfo info(path);
    return info.isFile() && !info.isWritable();
}

#else

bool isReadOnlyFile(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    if (status.st_uid == ::geteuid())
        return !(status.st_mode & S_IWUSR);
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    bool member = status.st_gid == ::getegid();
    for (int i = 0; i < count && !member; ++i)
        member = groups[i] == status.st_gid;
    return !(status.st_mode & (member ? S_IWGRP : S_IWOTH));
}

#endif

QString replacedFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    return info.isSymLink() ? info.canonicalFilePath() : info.absoluteFilePath();
}

} // namespace brackwell
