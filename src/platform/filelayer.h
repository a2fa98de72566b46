#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The system's file calls as saving uses them, one call each: the save is written once against
// this layer, and tests put a layer in its place that fails any one call the way the system does.

namespace brackwell {

// The system's error number: errno, or GetLastError() on Windows; 0 for none.
using SystemError = int;

// What the system says of a name: the name itself, a link at it not followed unless asked.
struct FileFacts {
    enum class Kind { Missing, File, Folder, Link, Other };
    Kind kind = Kind::Missing;
    qint64 size = 0;
    // No write bit for this user in its mode (whoever they are, an administrator too), or the
    // read-only attribute on Windows.
    bool readOnly = false;
    // The rights or attributes a file made in its place keeps: the mode on POSIX systems, the
    // attributes on Windows.
    quint32 rights = 0;
    // The file itself, whatever name reaches it (device and inode, volume and file index); empty
    // where the system does not say.
    QByteArray identity;
    QDateTime modified;
    bool exists() const { return kind != Kind::Missing; }
};

class FileLayer
{
public:
    using Handle = qintptr;

    virtual ~FileLayer() = default;

    // Facts about `path`; a missing file is no error but Kind::Missing.
    virtual SystemError inspect(const QString &path, FileFacts &facts, bool followLink = false) = 0;
    // The path with every link in it resolved, where the file or its folder exists; else empty.
    QString resolve(const QString &path) const;
    // A new file that no other file had the name of, for writing, with the rights `rights`
    // (FileFacts::rights; 0 for the usual ones).
    virtual SystemError createNew(const QString &path, quint32 rights, Handle &file) = 0;
    virtual SystemError openToRead(const QString &path, Handle &file) = 0;
    // At most `size` bytes; `got` 0 at the end.
    virtual SystemError read(Handle file, char *data, qint64 size, qint64 &got) = 0;
    // Writes some of the bytes, `written` says how many; the caller writes the rest.
    virtual SystemError write(Handle file, const char *data, qint64 size, qint64 &written) = 0;
    // Every byte written is on the disk.
    virtual SystemError flush(Handle file) = 0;
    virtual SystemError close(Handle file) = 0;
    // Gives `from` the name `to` in one step, replacing a file at `to` (a link there itself, not
    // what it points to).
    virtual SystemError rename(const QString &from, const QString &to) = 0;
    // Where a rename of `from` that fails half-way may leave the file it was replacing (Windows
    // moves it aside on the way); empty where a rename never does.
    virtual QString parkedBy(const QString &from) const = 0;
    virtual SystemError remove(const QString &path) = 0;
    // The names in a folder reach the disk; some file systems cannot do this and say so.
    virtual SystemError syncFolder(const QString &folder) = 0;
    virtual SystemError list(const QString &folder, QStringList &names) = 0;

    // The system's own text for an error.
    virtual QString describe(SystemError error) const = 0;
    // The one-click save's code for an error (3, 4, 5, 101), 0 where it names none.
    virtual int oneClickCode(SystemError error) const = 0;
    // An error that says a folder takes no new file from this user.
    virtual bool refusesNewFiles(SystemError error) const = 0;
};

// The system's own calls.
FileLayer &systemFileLayer();

// Errors by what they mean, in this system's numbers: tests and messages name them so.
namespace fileErrors {
extern const SystemError missing;
extern const SystemError accessDenied;
extern const SystemError diskFull;
extern const SystemError quotaExceeded;
extern const SystemError tooLarge;
extern const SystemError ioError;
extern const SystemError isFolder;
extern const SystemError exists;
} // namespace fileErrors

} // namespace brackwell
