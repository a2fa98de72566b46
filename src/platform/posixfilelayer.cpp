#include "platform/filelayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace brackwell {

namespace fileErrors {
const SystemError missing = ENOENT;
const SystemError accessDenied = EACCES;
const SystemError diskFull = ENOSPC;
const SystemError quotaExceeded = EDQUOT;
const SystemError tooLarge = EFBIG;
const SystemError ioError = EIO;
const SystemError isFolder = EISDIR;
const SystemError exists = EEXIST;
} // namespace fileErrors

namespace {

QByteArray name(const QString &path)
{
    return QFile::encodeName(path);
}

// Whether this user may write a file of this mode, from its bits alone: root, whom the system
// lets write anything, keeps a file without write bits as its owner meant it.
bool writableByMe(const struct stat &status)
{
    if (status.st_uid == ::geteuid())
        return status.st_mode & S_IWUSR;
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    bool member = status.st_gid == ::getegid();
    for (int i = 0; i < count && !member; ++i)
        member = groups[i] == status.st_gid;
    return status.st_mode & (member ? S_IWGRP : S_IWOTH);
}

FileFacts factsOf(const struct stat &status)
{
    FileFacts facts;
    if (S_ISREG(status.st_mode))
        facts.kind = FileFacts::Kind::File;
    else if (S_ISDIR(status.st_mode))
        facts.kind = FileFacts::Kind::Folder;
    else if (S_ISLNK(status.st_mode))
        facts.kind = FileFacts::Kind::Link;
    else
        facts.kind = FileFacts::Kind::Other;
    facts.size = status.st_size;
    facts.readOnly = facts.kind == FileFacts::Kind::File && !writableByMe(status);
    facts.rights = status.st_mode & 07777;
    facts.identity = QByteArray::number(quint64(status.st_dev)) + ':' + QByteArray::number(quint64(status.st_ino));
    facts.modified = QDateTime::fromSecsSinceEpoch(status.st_mtime);
    return facts;
}

class PosixFileLayer final : public FileLayer
{
public:
    SystemError inspect(const QString &path, FileFacts &facts, bool followLink) override
    {
        struct stat status = {};
        const int done = followLink ? ::stat(name(path).constData(), &status) : ::lstat(name(path).constData(), &status);
        if (done != 0) {
            facts = {};
            return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
        }
        facts = factsOf(status);
        return 0;
    }

    SystemError createNew(const QString &path, quint32 rights, Handle &file) override
    {
        const int fd = ::open(name(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0)
            return errno;
        if (rights != 0 && ::fchmod(fd, rights & 07777) != 0) {
            // Not worth refusing the save for: the new file then has the usual rights.
        }
        file = fd;
        return 0;
    }

    SystemError openToRead(const QString &path, Handle &file) override
    {
        // Never waits on a pipe put where a file was.
        const int fd = ::open(name(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        struct stat status = {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            const int error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
            ::close(fd);
            return error;
        }
        file = fd;
        return 0;
    }

    SystemError read(Handle file, char *data, qint64 size, qint64 &got) override
    {
        for (;;) {
            const ssize_t n = ::read(int(file), data, size_t(size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return errno;
            got = n;
            return 0;
        }
    }

    SystemError write(Handle file, const char *data, qint64 size, qint64 &written) override
    {
        for (;;) {
            const ssize_t n = ::write(int(file), data, size_t(size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return errno;
            written = n;
            return n == 0 && size > 0 ? ENOSPC : 0;
        }
    }

    SystemError flush(Handle file) override { return ::fsync(int(file)) == 0 ? 0 : errno; }
    SystemError close(Handle file) override { return ::close(int(file)) == 0 ? 0 : errno; }

    SystemError rename(const QString &from, const QString &to) override
    {
        return ::rename(name(from).constData(), name(to).constData()) == 0 ? 0 : errno;
    }

    QString parkedBy(const QString &) const override { return {}; }

    SystemError remove(const QString &path) override
    {
        return ::unlink(name(path).constData()) == 0 ? 0 : errno;
    }

    SystemError syncFolder(const QString &folder) override
    {
        const int fd = ::open(name(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        const int error = ::fsync(fd) == 0 ? 0 : errno;
        ::close(fd);
        return error;
    }

    SystemError list(const QString &folder, QStringList &names) override
    {
        names.clear();
        DIR *dir = ::opendir(name(folder).constData());
        if (!dir)
            return errno;
        while (const dirent *entry = ::readdir(dir)) {
            const QString entryName = QFile::decodeName(entry->d_name);
            if (entryName != u"." && entryName != u"..")
                names << entryName;
        }
        ::closedir(dir);
        return 0;
    }

    QString describe(SystemError error) const override
    {
        return QString::fromLocal8Bit(std::system_category().message(error));
    }

    int oneClickCode(SystemError error) const override
    {
        switch (error) {
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
        case EDQUOT: return 101;
        default: return 0;
        }
    }

    bool refusesNewFiles(SystemError error) const override
    {
        return error == EACCES || error == EPERM || error == EROFS;
    }
};

} // namespace

FileLayer &systemFileLayer()
{
    static PosixFileLayer layer;
    return layer;
}

} // namespace brackwell
