#include "platform/safefiles.h"

#include "platform/running.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace brackwell {

namespace {

// The longest name a folder takes: 255 bytes of the encoded name on the file systems Linux mounts
// for games, 255 UTF-16 units on Windows'.
constexpr qsizetype nameLimit = 255;

qsizetype nameLength(QStringView name)
{
#ifdef Q_OS_WIN
    return name.size();
#else
    return QFile::encodeName(name.toString()).size();
#endif
}

// `name` cut at a character's end so that `room` units remain for what is added after it.
QString cutTo(const QString &name, qsizetype room)
{
    qsizetype end = name.size();
    while (end > 0 && nameLength(QStringView(name).first(end)) > room)
        --end;
    if (end > 0 && end < name.size() && name[end].isLowSurrogate())
        --end;
    return name.first(end);
}

// The name of a file beside `file`: its own name and `suffix`, or, where that would pass the
// limit, as much of its name as fits, "~" and a short hash of the whole name, then `suffix`.
// `longestSuffix` keeps the cut the same for every suffix up to that length.
QString sibling(const QString &file, const QString &suffix, qsizetype longestSuffix)
{
    const QFileInfo info(file);
    const QString name = info.fileName();
    QString base = name;
    if (nameLength(name) + longestSuffix > nameLimit) {
        const QString hash = QString::fromLatin1(
            QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(6));
        base = cutTo(name, nameLimit - longestSuffix - 1 - hash.size()) + u'~' + hash;
    }
    return QDir(info.path()).filePath(base + suffix);
}

// The longest ".bak.n" and ".<process>~<random>.tmp" there can be.
constexpr qsizetype backupSuffixRoom = 6;
constexpr qsizetype temporarySuffixRoom = 1 + 13 + 1 + 7 + 4;

QString base36(quint64 number)
{
    return QString::number(number, 36);
}

// The number of the process that made a temporary file of `prefix` named `name`, or -1 for a
// name of another kind (a player's "autoexec.cfg.old.tmp").
qint64 temporaryMaker(const QString &prefix, const QString &name)
{
    const QString tail = QStringLiteral(".tmp");
    if (!name.startsWith(prefix) || !name.endsWith(tail))
        return -1;
    const QString middle = name.mid(prefix.size(), name.size() - prefix.size() - tail.size());
    const qsizetype tilde = middle.indexOf(u'~');
    bool processOk = false, randomOk = false;
    const qint64 process = middle.left(tilde).toLongLong(&processOk, 36);
    middle.mid(tilde + 1).toULongLong(&randomOk, 36);
    return tilde > 0 && processOk && randomOk ? process : -1;
}

} // namespace

WriteFailure failureOf(const FileLayer &files, WriteFailure::Stage stage, SystemError error)
{
    return {stage, files.oneClickCode(error), error, files.describe(error)};
}

WholeFile readWhole(FileLayer &files, const QString &path, qint64 limit)
{
    WholeFile whole;
    FileLayer::Handle handle = -1;
    if ((whole.error = files.openToRead(path, handle)) != 0)
        return whole;
    for (;;) {
        const qsizetype start = whole.bytes.size();
        const qint64 chunk = qMin<qint64>(64 * 1024, limit + 1 - start);
        if (chunk <= 0) {
            whole.error = fileErrors::tooLarge;
            break;
        }
        whole.bytes.resize(start + chunk);
        qint64 got = 0;
        if ((whole.error = files.read(handle, whole.bytes.data() + start, chunk, got)) != 0)
            break;
        whole.bytes.resize(start + got);
        if (got == 0)
            break;
    }
    files.close(handle);
    if (whole.error != 0)
        whole.bytes.clear();
    return whole;
}

std::optional<WriteFailure> writeNew(FileLayer &files, const QString &path, const QByteArray &bytes, quint32 rights)
{
    FileLayer::Handle handle = -1;
    if (const SystemError error = files.createNew(path, rights, handle))
        return failureOf(files, WriteFailure::Stage::Create, error);
    SystemError error = 0;
    for (qint64 done = 0; done < bytes.size() && error == 0;) {
        qint64 written = 0;
        error = files.write(handle, bytes.constData() + done, bytes.size() - done, written);
        done += written;
    }
    if (error == 0)
        error = files.flush(handle);
    const SystemError closed = files.close(handle);
    if (error == 0)
        error = closed;
    if (error == 0)
        return std::nullopt;
    files.remove(path);
    return failureOf(files, WriteFailure::Stage::Write, error);
}

bool folderTakesNewFiles(FileLayer &files, const QString &folder)
{
    const QString probe = temporaryFile(QDir(folder).filePath(QStringLiteral("autoexec.cfg")));
    FileLayer::Handle handle = -1;
    if (files.createNew(probe, 0, handle) != 0)
        return false;
    files.close(handle);
    files.remove(probe);
    return true;
}

QString backupFile(const QString &file, int older)
{
    const QString suffix = older == 0 ? QStringLiteral(".bak") : QStringLiteral(".bak.%1").arg(older);
    return sibling(file, suffix, backupSuffixRoom);
}

QString temporaryFile(const QString &file)
{
    const QString suffix = QStringLiteral(".%1~%2.tmp")
                               .arg(base36(quint64(thisProcess())), base36(QRandomGenerator::global()->generate()));
    return sibling(file, suffix, temporarySuffixRoom);
}

void clearLeftTemporaries(FileLayer &files, const QString &file)
{
    const QString prefix = QFileInfo(sibling(file, QStringLiteral("."), temporarySuffixRoom)).fileName();
    const QString folder = QFileInfo(file).path();
    QStringList names;
    if (files.list(folder, names) != 0)
        return;
    for (const QString &name : std::as_const(names)) {
        const qint64 maker = temporaryMaker(prefix, name);
        if (maker < 0)
            continue;
        const QString path = QDir(folder).filePath(name);
        FileFacts facts;
        if (files.inspect(path, facts) != 0 || facts.kind != FileFacts::Kind::File)
            continue;
        if (maker == thisProcess() || !processRunning(maker))
            files.remove(path);
    }
}

} // namespace brackwell
