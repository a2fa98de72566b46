// Both saves below the window, on real files, with the system's calls failing one at a time. The
// expectations are the promises a player is given, not the policy's own steps: the version of the
// file the player had before a save is afterwards in the file or in its copy, a copy the save
// replaces is kept as an older copy, a failure says where things are, and nothing temporary stays.
#include "platform/safefiles.h"
#include "platform/writerecords.h"
#include "saving/savepolicy.h"
#include "support/testfiles.h"
#include "support/testmachine.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace brackwell;

namespace {

// Answers Yes and Overwrite, and keeps what was asked.
struct YesToAll final : SaveQuestions {
    bool confirm(const QString &text) override
    {
        asked << text;
        return true;
    }
    ChangedOnDisk changedOnDisk(const QString &text) override
    {
        asked << text;
        return ChangedOnDisk::Overwrite;
    }
    QStringList asked;
};

// Every file below `folder`, with its bytes; a link as where it points.
QMap<QString, QByteArray> files(const QString &folder)
{
    QMap<QString, QByteArray> found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = QDir(folder).relativeFilePath(info.filePath());
        if (info.isSymLink())
            found.insert(name, "-> " + info.symLinkTarget().toUtf8());
        else if (info.isFile())
            found.insert(name, readAll(info.filePath()));
    }
    return found;
}

QStringList temporaries(const QString &folder)
{
    return QStringList(files(folder).keys()).filter(QStringLiteral(".tmp"));
}

// The states a file may be in before a save, by what the player was told of each.
enum class Target { None, Own, Players, Changed, Typed };
enum class OldCopy { None, Older, Same, FullRow };

const QByteArray newBytes = "seta r_gamma \"1.5\"\r\nbind F7 \"record\"\r\n";

struct Scenario {
    Target target;
    OldCopy copy;
    bool oneClick;
    QString name() const
    {
        static const char *targets[] = {"no file", "own output", "player's file", "own output changed since",
                                        "own output with typed lines"};
        static const char *copies[] = {"no copy", "an older copy", "a copy of it", "a full row of copies"};
        return QStringLiteral("%1, %2, %3")
            .arg(QLatin1StringView(oneClick ? "one-click" : "dialog"), QLatin1StringView(targets[int(target)]),
                 QLatin1StringView(copies[int(copy)]));
    }
};

// A game installation on a temporary drive, the scenario's files in its folder.
struct Place {
    explicit Place(TestMachine &machine)
    {
        machine.driveRoot = root.filePath(QStringLiteral("drive"));
        machine.home = root.filePath(QStringLiteral("home"));
        machine.documents = root.filePath(QStringLiteral("home/Documents"));
        folder = machine.driveRoot + QStringLiteral("/Program Files/Wolfenstein - Enemy Territory/etmain");
        QDir().mkpath(folder);
        file = folder + QStringLiteral("/autoexec.cfg");
    }
    QString copy(int older = 0) const { return backupFile(file, older); }
    QTemporaryDir root;
    QString folder;
    QString file;
};

void record(TestMachine &machine, const QString &file, const QByteArray &bytes, bool typed)
{
    FileFacts facts;
    machine.disk.inspect(file, facts, true);
    WriteRecords(machine.kept, machine.disk).written(machine.disk.resolve(file), facts.identity, bytes, typed);
}

// Lays the scenario out; answers what the player's last version is.
QByteArray layOut(const Scenario &scenario, TestMachine &machine, const Place &place)
{
    QByteArray last;
    switch (scenario.target) {
    case Target::None: return {};
    case Target::Own: last = "seta r_gamma \"1.2\"\r\n"; break;
    case Target::Players: last = "// mine\r\nbind h \"dropobj\"\r\n"; break;
    case Target::Changed: last = "seta r_gamma \"1.2\"\r\nseta r_gamma 2 // mine\r\n"; break;
    case Target::Typed: last = "seta r_gamma \"1.2\"\r\nbind k \"say typed\"\r\n"; break;
    }
    writeAll(place.file, last);
    if (scenario.target == Target::Changed)
        record(machine, place.file, "seta r_gamma \"1.2\"\r\n", false);
    else if (scenario.target != Target::Players)
        record(machine, place.file, last, scenario.target == Target::Typed);
    switch (scenario.copy) {
    case OldCopy::None: break;
    case OldCopy::Older: writeAll(place.copy(), "// the player's older config\r\n"); break;
    case OldCopy::Same: writeAll(place.copy(), last); break;
    case OldCopy::FullRow:
        writeAll(place.copy(), "// older\r\n");
        for (int n = 1; n <= olderCopies; ++n)
            writeAll(place.copy(n), QByteArray("// older still ") + QByteArray::number(n) + "\r\n");
        break;
    }
    return last;
}

SaveOutcome save(const Scenario &scenario, TestMachine &machine, const Place &place, SaveQuestions &questions)
{
    SavePolicy policy(machine);
    const SaveRequest request{scenario.oneClick ? newBytes + "\r\n" : newBytes, false, std::nullopt};
    return scenario.oneClick ? policy.saveOneClick(request, questions) : policy.saveChosen(place.file, request, questions);
}

// The promises, checked on the disk as the save (failed, or killed) left it.
void checkPromises(const Scenario &scenario, const QMap<QString, QByteArray> &before,
                   const QMap<QString, QByteArray> &after, const QByteArray &last, const Place &place,
                   const QString &tag)
{
    const QString file = QDir(place.root.path()).relativeFilePath(place.file);
    const QString copy = QDir(place.root.path()).relativeFilePath(place.copy());
    const QByteArray now = after.value(file);
    // The program's own output may go without a copy: it is what the window makes again.
    const bool ownOutput = scenario.target == Target::Own;
    if (scenario.target != Target::None && !ownOutput)
        QVERIFY2(now == last || after.value(copy) == last, qPrintable(tag + ": the player's version is gone"));
    if (ownOutput)
        QVERIFY2(now == last || now == newBytes || now == newBytes + "\r\n", qPrintable(tag + ": the file is cut"));
    if (scenario.target == Target::None)
        QVERIFY2(!after.contains(file) || now.startsWith(newBytes), qPrintable(tag + ": a cut file"));
    // Every copy there was is still there, under its name or one older; only the oldest of a full
    // row may go, and only once the file's own copy took its place.
    const QList<QByteArray> keptNow = after.values();
    for (int n = 0; n < olderCopies; ++n) {
        const QString name = QDir(place.root.path()).relativeFilePath(place.copy(n));
        if (before.contains(name))
            QVERIFY2(keptNow.contains(before.value(name)), qPrintable(tag + ": the copy " + name + " is gone"));
    }
}

} // namespace

Q_DECLARE_METATYPE(Target)

class TestSavePolicy : public QObject
{
    Q_OBJECT

private slots:
    // Each call of each save fails in turn, in each way a disk fails, and the program is killed at
    // each: the player's version stays whole in the file or its copy, older copies stay, a failure
    // names where the file is, and what is left temporary a later save clears.
    void everyFailingCallKeepsThePlayersVersion()
    {
        const QList<SystemError> errors = {fileErrors::diskFull, fileErrors::ioError, fileErrors::quotaExceeded,
                                           fileErrors::tooLarge, fileErrors::accessDenied};
        int runs = 0, failures = 0;
        for (const bool oneClick : {true, false}) {
            for (const Target target : {Target::None, Target::Own, Target::Players, Target::Changed, Target::Typed}) {
                for (const OldCopy copy : {OldCopy::None, OldCopy::Older, OldCopy::Same, OldCopy::FullRow}) {
                    const Scenario scenario{target, copy, oneClick};
                    // How many calls the save makes when nothing fails.
                    int calls = 0;
                    {
                        TestMachine machine;
                        Place place(machine);
                        layOut(scenario, machine, place);
                        YesToAll yes;
                        machine.disk.startCounting();
                        const SaveOutcome clean = save(scenario, machine, place, yes);
                        QVERIFY2(clean.result == SaveOutcome::Result::Saved, qPrintable(scenario.name()));
                        calls = machine.disk.counted();
                    }
                    for (int call = 1; call <= calls; ++call) {
                        for (qsizetype fault = 0; fault <= errors.size(); ++fault) {
                            const bool kill = fault == errors.size();
                            const QString tag = QStringLiteral("%1, call %2 %3")
                                                    .arg(scenario.name())
                                                    .arg(call)
                                                    .arg(kill ? QStringLiteral("killed")
                                                              : QStringLiteral("fails with %1").arg(errors[fault]));
                            TestMachine machine;
                            Place place(machine);
                            const QByteArray last = layOut(scenario, machine, place);
                            const QMap<QString, QByteArray> before = files(place.root.path());
                            machine.disk.startCounting();
                            if (kill)
                                machine.disk.killAt(call);
                            else
                                machine.disk.failCall(call, errors[fault]);
                            YesToAll yes;
                            const SaveOutcome outcome = save(scenario, machine, place, yes);
                            const QMap<QString, QByteArray> after = files(place.root.path());
                            ++runs;
                            checkPromises(scenario, before, after, last, place, tag);
                            if (QTest::currentTestFailed()) {
                                for (const TestFileLayer::Logged &l : machine.disk.log())
                                    qInfo() << int(l.call) << l.path << l.from << l.error;
                                qInfo() << after.keys();
                                return;
                            }
                            if (!kill && outcome.result == SaveOutcome::Result::Failed) {
                                ++failures;
                                // Where the file is now, in sight.
                                QVERIFY2(!outcome.informative.isEmpty(), qPrintable(tag));
                                if (outcome.informative.contains(QStringLiteral("is unchanged")))
                                    QVERIFY2(after.value(QDir(place.root.path()).relativeFilePath(place.file)) ==
                                                 before.value(QDir(place.root.path()).relativeFilePath(place.file)),
                                             qPrintable(tag + ": said unchanged, but changed"));
                            }
                            if (!kill && outcome.result == SaveOutcome::Result::Saved)
                                QVERIFY2(readAll(place.file).startsWith(newBytes), qPrintable(tag));

                            // The next run, with what the killed one kept: its save goes through
                            // and clears what was left temporary.
                            TestMachine next;
                            next.driveRoot = machine.driveRoot;
                            next.home = machine.home;
                            next.documents = machine.documents;
                            next.kept.share(machine.kept.shared());
                            YesToAll yesAgain;
                            const SaveOutcome later = save(scenario, next, place, yesAgain);
                            QVERIFY2(later.result == SaveOutcome::Result::Saved, qPrintable(tag + ": " + later.text));
                            QVERIFY2(temporaries(place.root.path()).isEmpty(),
                                     qPrintable(tag + ": left " + temporaries(place.root.path()).join(u' ')));
                            if (scenario.target != Target::None && scenario.target != Target::Own)
                                QVERIFY2(files(place.root.path()).values().contains(last),
                                         qPrintable(tag + ", then saved again: the player's version is gone"));
                        }
                    }
                }
            }
        }
        qInfo("%d saves with a failing call, %d of them reported failed", runs, failures);
    }

private:
};

QTEST_GUILESS_MAIN(TestSavePolicy)
#include "tst_savepolicy.moc"
