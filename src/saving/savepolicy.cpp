#include "saving/savepolicy.h"

#include "platform/gameconfigs.h"
#include "platform/safefiles.h"
#include "platform/savemessages.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <utility>

namespace brackwell {

namespace {

// A file is copied whole before it is replaced; one larger than this is no config, and the save
// refuses it rather than lose it.
constexpr qint64 maxCopied = 64 * 1024 * 1024;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString nameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString unchanged(const QString &file)
{
    return QStringLiteral("%1 is unchanged.").arg(nameOf(file));
}

QString failureDetails(const QString &path, const WriteFailure &failure)
{
    QString details = QStringLiteral("File: %1").arg(native(path));
    if (!failure.description.isEmpty())
        details += QStringLiteral("\nReason: %1.").arg(systemReason(failure.description));
    return details;
}

// A file the user keeps read-only on purpose, so that the game does not rewrite it.
WriteFailure readOnlyFailure()
{
    return {WriteFailure::Stage::Create, 5, 0, QStringLiteral("The file is read-only")};
}

// Whether every line of `before` is also in `after`: nothing the player wrote there is lost.
bool keepsEveryLine(const QByteArray &before, const QByteArray &after)
{
    QSet<QByteArray> kept;
    for (const QByteArray &line : after.split('\n'))
        kept.insert(line.endsWith('\r') ? line.chopped(1) : line);
    for (const QByteArray &line : before.split('\n')) {
        if (!kept.contains(line.endsWith('\r') ? line.chopped(1) : line))
            return false;
    }
    return true;
}

} // namespace

// A file a save may replace, as it is before the save.
struct SavePolicy::Existing {
    QString file; // links resolved
    FileFacts facts;
    SystemError error = 0;   // inspecting or reading it failed
    QByteArray bytes;        // a regular file's bytes
    WriteRecords::Verdict verdict = WriteRecords::Verdict::Unknown;
    bool isFile() const { return facts.kind == FileFacts::Kind::File; }
};

// The copy kept before a save, and the older copies it moved, so that a failure before the file
// itself is touched can put them back.
struct SavePolicy::Copy {
    QString made; // the new copy's name, once it has it
    QList<std::pair<QString, QString>> moved;
};

SavePolicy::SavePolicy(Machine &machine)
    : m_machine(machine)
    , m_files(machine.files())
    , m_records(machine.settings(), machine.files())
{
}

SavePolicy::Existing SavePolicy::existing(const QString &path)
{
    Existing file;
    file.file = m_files.resolve(path);
    if (file.file.isEmpty())
        file.file = QFileInfo(path).absoluteFilePath();
    if ((file.error = m_files.inspect(file.file, file.facts)) != 0 || !file.isFile() || file.facts.readOnly)
        return file;
    const WholeFile whole = readWhole(m_files, file.file, maxCopied);
    if ((file.error = whole.error) != 0)
        return file;
    file.bytes = whole.bytes;
    file.verdict = m_records.verdict(file.file, file.facts, file.bytes);
    return file;
}

bool SavePolicy::isOwnWork(const Existing &file, const SaveRequest &request)
{
    // A file holding lines the player typed counts as the program's own only while the new bytes
    // keep every one of them.
    return file.verdict == WriteRecords::Verdict::Own ||
           (file.verdict == WriteRecords::Verdict::Typed && keepsEveryLine(file.bytes, request.bytes));
}

QString SavePolicy::copyNote(const Existing &file)
{
    const QString copy = backupFile(file.file);
    FileFacts facts;
    const bool earlier = m_files.inspect(copy, facts) == 0 && facts.exists();
    return earlier ? QStringLiteral(" A copy of it is kept as \"%1\", and the copy there now as \"%2\".")
                         .arg(native(copy), native(backupFile(file.file, 1)))
                   : QStringLiteral(" A copy of it is kept as \"%1\".").arg(native(copy));
}

// One-click save

SaveOutcome SavePolicy::saveOneClick(const SaveRequest &request, SaveQuestions &questions)
{
    const GameFolderChoice target = oneClickChoice(m_machine);
    if (!target.folder) {
        SaveOutcome outcome{SaveOutcome::Result::Failed, {}, {}, QStringLiteral("Nothing was written."), {}};
        if (target.refused.isEmpty()) {
            // Where it looked, in sight under the message, not only in the folded details.
            outcome.text = oneClickFailureMessage(noGameFolder());
            outcome.details = noGameFolderDetails(gameFolders(m_machine));
            outcome.informative = outcome.details;
        } else {
            outcome.text = unwritableGameFolderMessage(target.refused);
        }
        return outcome;
    }
    const QString file = oneClickFile(*target.folder);
    if (!mayReplaceWithOneClick(file, *target.folder, request, questions))
        return {};
    if (std::optional<SaveOutcome> stop = mayWriteOverOpenFile(file, request, questions))
        return *stop;
    return write(Kind::OneClick, file, request);
}

bool SavePolicy::mayReplaceWithOneClick(const QString &file, const QString &folder, const SaveRequest &request,
                                        SaveQuestions &questions)
{
    const Existing there = existing(file);
    if (!there.isFile() || there.facts.readOnly || there.error != 0)
        return true; // nothing to replace, or the save refuses it anyway
    const bool own = isOwnWork(there, request);
    const QString copy = own ? QString() : copyNote(there);
    if (request.open && !isOpenFile(file, request))
        return questions.confirm(QStringLiteral("One-Click Save writes \"%1\", not the file open here, \"%2\".\n"
                                                "Do you want to replace \"%1\" with this config?%3")
                                     .arg(native(file), native(request.open->path), copy));
    // The game's own installation folder is the one-click save's from the start; the other folders
    // are where players keep configs of their own.
    const QStringList folders = gameFolders(m_machine);
    const bool designedFolder = !folders.isEmpty() && QDir::cleanPath(folders.front()) == QDir::cleanPath(folder);
    if (designedFolder || own || request.open)
        return true;
    const QString holds = there.verdict == WriteRecords::Verdict::Typed
                              ? QStringLiteral("\"%1\" holds lines you typed or added that this config leaves out.")
                              : QStringLiteral("\"%1\" holds a config Brackwell did not write.");
    return questions.confirm((holds + QStringLiteral("\nDo you want to replace it?%2")).arg(native(file), copy));
}

// Dialog save

SaveOutcome SavePolicy::saveChosen(const QString &target, const SaveRequest &request, SaveQuestions &questions)
{
    FileFacts facts;
    m_files.inspect(target, facts, true);
    // A folder is not asked about: writing fails with its own message; nor is a file the save
    // refuses. A file changed on disk since it was opened is asked about once, as such.
    const bool asks = facts.kind == FileFacts::Kind::File && !facts.readOnly;
    if (asks && !changedOnDisk(target, request) &&
        !questions.confirm(replaceQuestion(target)))
        return {SaveOutcome::Result::ChooseAgain, target, {}, {}, {}};
    if (std::optional<SaveOutcome> stop = mayWriteOverOpenFile(target, request, questions))
        return *stop;
    return write(Kind::Dialog, target, request);
}

SaveOutcome SavePolicy::saveOpenFile(const SaveRequest &request, SaveQuestions &questions)
{
    const QString path = request.open->path;
    if (std::optional<SaveOutcome> stop = mayWriteOverOpenFile(path, request, questions))
        return *stop;
    return write(Kind::Dialog, path, request);
}

// The open file

bool SavePolicy::isOpenFile(const QString &path, const SaveRequest &request)
{
    if (!request.open)
        return false;
    const QString a = m_files.resolve(path), b = m_files.resolve(request.open->path);
    if (!a.isEmpty() && a == b)
        return true;
    // The same file through another name.
    FileFacts one, other;
    return m_files.inspect(path, one, true) == 0 && m_files.inspect(request.open->path, other, true) == 0 &&
           !one.identity.isEmpty() && one.identity == other.identity;
}

bool SavePolicy::changedOnDisk(const QString &path, const SaveRequest &request)
{
    if (!isOpenFile(path, request))
        return false;
    FileFacts facts;
    if (m_files.inspect(path, facts, true) != 0 || facts.kind != FileFacts::Kind::File)
        return false; // gone from the disk: there is nothing of another program's to lose
    const WholeFile now = readWhole(m_files, path, maxCopied);
    return now.error != 0 || now.bytes != request.open->bytes;
}

std::optional<SaveOutcome> SavePolicy::mayWriteOverOpenFile(const QString &path, const SaveRequest &request,
                                                            SaveQuestions &questions)
{
    if (!changedOnDisk(path, request))
        return std::nullopt;
    const QString question = QStringLiteral("\"%1\" has changed on disk since it was opened or saved here, "
                                            "perhaps by the game.\nOverwrite it with the config in the box, "
                                            "or reload it and lose the changes made here?")
                                 .arg(native(path));
    switch (questions.changedOnDisk(question)) {
    case SaveQuestions::ChangedOnDisk::Overwrite: return std::nullopt;
    case SaveQuestions::ChangedOnDisk::Reload: return SaveOutcome{SaveOutcome::Result::Reload, path, {}, {}, {}};
    case SaveQuestions::ChangedOnDisk::Cancel: break;
    }
    return SaveOutcome{};
}

// Writing

SaveOutcome SavePolicy::failed(Kind kind, const QString &path, const WriteFailure &failure, const QString &state) const
{
    return {SaveOutcome::Result::Failed, path,
            kind == Kind::OneClick ? oneClickFailureMessage(failure) : dialogFailureMessage(path, failure), state,
            failureDetails(path, failure)};
}

SaveOutcome SavePolicy::copyFailed(const QString &file, const QString &copy, const WriteFailure &failure,
                                   const QString &state) const
{
    return {SaveOutcome::Result::Failed, file,
            QStringLiteral("\"%1\" was not replaced: its copy \"%2\" could not be made. %3")
                .arg(native(file), native(copy), systemReason(failure.description)),
            state, failureDetails(copy, failure)};
}

SaveOutcome SavePolicy::write(Kind kind, const QString &path, const SaveRequest &request)
{
    const Existing before = existing(path);
    const QString target = before.file;
    if (before.facts.kind == FileFacts::Kind::Folder)
        return failed(kind, path, failureOf(m_files, WriteFailure::Stage::Create, fileErrors::isFolder), unchanged(path));
    if (before.isFile() && before.facts.readOnly)
        return failed(kind, path, readOnlyFailure(), unchanged(path));
    if (before.error != 0) // it cannot be read, so no copy can be kept
        return copyFailed(target, backupFile(target), failureOf(m_files, WriteFailure::Stage::Create, before.error),
                          unchanged(path));
    // What saves killed before left of this file and of its copy.
    clearLeftTemporaries(m_files, target);
    clearLeftTemporaries(m_files, backupFile(target));

    // The new file is whole on the disk before anything else changes.
    const QString temporary = temporaryFile(target);
    if (std::optional<WriteFailure> failure = writeNew(m_files, temporary, request.bytes, before.facts.rights)) {
        QString state = unchanged(path);
        if (before.isFile() && failure->stage == WriteFailure::Stage::Create &&
            m_files.refusesNewFiles(failure->systemError))
            state = QStringLiteral("Its folder takes no new file, so no copy of it can be kept before it is "
                                   "replaced: %1 Save into another folder with \"Manually Select Save Destination\".")
                        .arg(unchanged(path));
        return failed(kind, path, *failure, state);
    }

    Copy copy;
    if (before.isFile() && !isOwnWork(before, request)) {
        if (std::optional<SaveOutcome> stop = keepCopy(path, before, copy)) {
            m_files.remove(temporary);
            return *stop;
        }
    }

    // A run killed from here on finds either version recorded as its own.
    QString recordProblem = m_records.expect(target, request.bytes, request.typed);
    if (const SystemError error = m_files.rename(temporary, target)) {
        const QString parked = m_files.parkedBy(temporary);
        FileFacts now, aside;
        if (!parked.isEmpty() && m_files.inspect(target, now) == 0 && !now.exists() &&
            m_files.inspect(parked, aside) == 0 && aside.exists() && m_files.rename(parked, target) != 0) {
            // Neither version has the name: both stay where they are, and the message says where.
            return failed(kind, path, failureOf(m_files, WriteFailure::Stage::Create, error),
                          QStringLiteral("The version before this save is in %1, the new one in %2.")
                              .arg(native(parked), native(temporary)));
        }
        m_files.remove(temporary);
        undoCopy(copy);
        return failed(kind, path, failureOf(m_files, WriteFailure::Stage::Create, error), unchanged(path));
    }
    m_files.syncFolder(QFileInfo(target).path());

    FileFacts written;
    m_files.inspect(target, written);
    const QString stored = m_records.written(target, written.identity, request.bytes, request.typed);
    if (recordProblem.isEmpty())
        recordProblem = stored;
    QString informative = QStringLiteral("Written to %1").arg(native(path));
    if (!recordProblem.isEmpty() && !std::exchange(m_recordProblemSaid, true))
        informative += QStringLiteral("\nBrackwell could not keep its record of what it wrote (%1): until it can, "
                                      "each save keeps a copy of the file it replaces.")
                           .arg(recordProblem);
    return {SaveOutcome::Result::Saved, path, QLatin1StringView(savedMessage), informative, {}};
}

std::optional<SaveOutcome> SavePolicy::keepCopy(const QString &path, const Existing &file, Copy &copy)
{
    const QString latest = backupFile(file.file);
    FileFacts there;
    if (const SystemError error = m_files.inspect(latest, there))
        return copyFailed(file.file, latest, failureOf(m_files, WriteFailure::Stage::Create, error), unchanged(path));
    if (there.kind == FileFacts::Kind::Folder)
        return copyFailed(file.file, latest, failureOf(m_files, WriteFailure::Stage::Create, fileErrors::isFolder),
                          unchanged(path));
    // A copy marked read-only is someone's to keep: it is neither replaced nor moved.
    if (there.kind == FileFacts::Kind::File && there.readOnly)
        return copyFailed(file.file, latest, failureOf(m_files, WriteFailure::Stage::Create, fileErrors::accessDenied),
                          unchanged(path));
    if (there.kind == FileFacts::Kind::File) {
        const WholeFile held = readWhole(m_files, latest, maxCopied);
        if (held.error == 0 && held.bytes == file.bytes)
            return std::nullopt; // the copy holds this version already
    }

    const QString made = temporaryFile(latest);
    if (std::optional<WriteFailure> failure = writeNew(m_files, made, file.bytes, file.facts.rights))
        return copyFailed(file.file, latest, *failure, unchanged(path));
    // The copy there now is never dropped for this one: it moves one place older, and only the
    // oldest of a full row goes.
    if (there.exists()) {
        // Up to the first free place in the row: where looking fails, no place is known to be free.
        int gap = 1;
        for (FileFacts older; gap < olderCopies; ++gap) {
            if (const SystemError error = m_files.inspect(backupFile(file.file, gap), older)) {
                m_files.remove(made);
                return copyFailed(file.file, latest, failureOf(m_files, WriteFailure::Stage::Create, error),
                                  unchanged(path));
            }
            if (!older.exists())
                break;
        }
        for (int n = gap; n >= 1; --n) {
            const QString from = backupFile(file.file, n - 1), to = backupFile(file.file, n);
            if (const SystemError error = m_files.rename(from, to)) {
                m_files.remove(made);
                undoCopy(copy);
                return copyFailed(file.file, latest, failureOf(m_files, WriteFailure::Stage::Create, error),
                                  unchanged(path));
            }
            copy.moved.append({from, to});
        }
    }
    if (const SystemError error = m_files.rename(made, latest)) {
        m_files.remove(made);
        undoCopy(copy);
        return copyFailed(file.file, latest, failureOf(m_files, WriteFailure::Stage::Create, error), unchanged(path));
    }
    copy.made = latest;
    m_files.syncFolder(QFileInfo(latest).path());
    return std::nullopt;
}

void SavePolicy::undoCopy(const Copy &copy)
{
    // Only while the file itself is as it was: the copy holds nothing else.
    if (!copy.made.isEmpty() && copy.moved.isEmpty())
        m_files.remove(copy.made);
    for (auto step = copy.moved.crbegin(); step != copy.moved.crend(); ++step)
        m_files.rename(step->second, step->first);
}

} // namespace brackwell
