#include "platform/writerecords.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>

#include <algorithm>

namespace brackwell {

namespace {

constexpr char group[] = "savedFiles";
// Records older versions kept, and the files recorded at most: the oldest go first.
constexpr int hashesKept = 3;
constexpr int filesKept = 64;

// An entry: the file, its identity, when it was written, then its hashes, the latest last, each
// with what it held.
enum Field { FileField, IdentityField, TimeField, FirstHash };
const QString ownMark = QStringLiteral("own:");
const QString typedMark = QStringLiteral("typed:");

QString sameCase(const QString &file)
{
#ifdef Q_OS_WIN
    return file.toCaseFolded(); // one file, whatever capitals name it
#else
    return file;
#endif
}

QString keyOf(const QString &file)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(sameCase(file).toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString hashOf(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString path(const QString &key)
{
    return QLatin1StringView(group) + u'/' + key;
}

} // namespace

struct WriteRecords::Entry {
    QString key;
    QStringList fields;
};

WriteRecords::WriteRecords(KeptSettings &settings, FileLayer &files)
    : m_settings(settings)
    , m_files(files)
{
}

WriteRecords::Entry WriteRecords::find(const QString &file, const QByteArray &identity)
{
    const QString key = keyOf(file);
    QStringList fields = m_settings.value(path(key)).toStringList();
    if (fields.size() > FirstHash && sameCase(fields[FileField]) == sameCase(file))
        return {key, fields};
    if (identity.isEmpty())
        return {key, {}};
    // A hard link: another name of the same file.
    const QStringList keys = m_settings.keys(QLatin1StringView(group));
    for (const QString &other : keys) {
        fields = m_settings.value(path(other)).toStringList();
        if (fields.size() > FirstHash && fields[IdentityField] == QString::fromLatin1(identity))
            return {other, fields};
    }
    return {key, {}};
}

WriteRecords::Verdict WriteRecords::verdict(const QString &file, const FileFacts &facts, const QByteArray &bytes)
{
    // Another window may have saved since this one looked.
    m_settings.reload();
    const Entry entry = find(file, facts.identity);
    const QString hash = hashOf(bytes);
    for (qsizetype i = FirstHash; i < entry.fields.size(); ++i) {
        if (entry.fields[i] == ownMark + hash)
            return Verdict::Own;
        if (entry.fields[i] == typedMark + hash)
            return Verdict::Typed;
    }
    return Verdict::Unknown;
}

QString WriteRecords::expect(const QString &file, const QByteArray &bytes, bool typed)
{
    m_settings.reload();
    Entry entry = find(file, {});
    if (entry.fields.size() <= FirstHash)
        entry.fields = QStringList{file, QString(), QString()};
    entry.fields.append((typed ? typedMark : ownMark) + hashOf(bytes));
    while (entry.fields.size() > FirstHash + hashesKept)
        entry.fields.removeAt(FirstHash);
    entry.fields[TimeField] = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    return keep(entry.key, entry.fields);
}

QString WriteRecords::written(const QString &file, const QByteArray &identity, const QByteArray &bytes, bool typed)
{
    m_settings.reload();
    const Entry entry = find(file, {});
    // The record of the file written was by a name of its own; one found by identity alone is
    // the same file's under another name, which no longer holds what it said.
    const Entry byIdentity = find(file, identity);
    if (byIdentity.key != entry.key)
        m_settings.remove(path(byIdentity.key));
    m_settings.remove(QStringLiteral("written")); // the records of earlier versions, by path alone
    dropGone(QFileInfo(file).path());
    return keep(entry.key, {file, QString::fromLatin1(identity), QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
                            (typed ? typedMark : ownMark) + hashOf(bytes)});
}

QString WriteRecords::keep(const QString &key, const QStringList &fields)
{
    m_settings.setValue(path(key), fields);
    return m_settings.store();
}

void WriteRecords::dropGone(const QString &folder)
{
    // Only files beside the one written are looked for: a record's file on a drive that sleeps
    // must not hold the save up. The rest go by age once there are too many.
    QList<std::pair<QString, QString>> byTime;
    const QStringList keys = m_settings.keys(QLatin1StringView(group));
    for (const QString &key : keys) {
        const QStringList fields = m_settings.value(path(key)).toStringList();
        FileFacts facts;
        const bool here = fields.size() > FirstHash && QFileInfo(fields[FileField]).path() == folder;
        if (fields.size() <= FirstHash ||
            (here && m_files.inspect(fields[FileField], facts) == 0 && !facts.exists())) {
            m_settings.remove(path(key));
            continue;
        }
        byTime.append({fields[TimeField], key});
    }
    std::sort(byTime.begin(), byTime.end());
    for (qsizetype i = 0; i + filesKept < byTime.size(); ++i)
        m_settings.remove(path(byTime[i].second));
}

} // namespace brackwell
