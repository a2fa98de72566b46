// Both saves below the window, on real files, with the system's calls failing one at a time. The
// expectations are the promises a player is given, not the policy's own steps: the version of the
// file the player had before a save is afterwards in the file or in its copy, a copy the save
// replaces is kept as an older copy, a failure says where things are, and nothing temporary stays.
#include "platform/machine.h"
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
#ifdef Q_OS_WIN
        // Every call still fails in turn; fewer ways, as Wine's files are slow.
        const QList<SystemError> errors = {fileErrors::diskFull, fileErrors::accessDenied};
#else
        const QList<SystemError> errors = {fileErrors::diskFull, fileErrors::ioError, fileErrors::quotaExceeded,
                                           fileErrors::tooLarge, fileErrors::accessDenied};
#endif
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

    // However the record of what the program wrote is lost, the player's version is never dropped
    // for the program's: run 1 saves over the player's file, then the record goes, and runs 2 and
    // 3 save over the program's own output again.
    void thePlayersVersionSurvivesALostRecord_data()
    {
        QTest::addColumn<QString>("loss");
        QTest::newRow("settings deleted") << "deleted";
        QTest::newRow("settings another user's, never stored") << "refused";
        QTest::newRow("record made by a run killed before it stored it") << "killed";
        QTest::newRow("the game's folder reached through a link") << "link";
        QTest::newRow("another window that read the settings before") << "window";
    }
    void thePlayersVersionSurvivesALostRecord()
    {
        QFETCH(QString, loss);
        TestMachine machine;
        Place place(machine);
        const QByteArray player = "// mine\r\nbind h \"dropobj\"\r\n";
        writeAll(place.file, player);
        YesToAll yes;
        const auto run = [&](TestMachine &on, const QByteArray &bytes, const QString &path) {
            SavePolicy policy(on);
            const SaveOutcome outcome = policy.saveChosen(path, {bytes, false, std::nullopt}, yes);
            QVERIFY2(outcome.result == SaveOutcome::Result::Saved, qPrintable(outcome.text));
        };
        TestMachine other;   // a second window, made before the first saved
        other.kept.share(machine.kept.shared());
        QString path = place.file;
#ifndef Q_OS_UNIX
        if (loss == "link")
            QSKIP("links here are shortcuts, which the system does not follow");
#endif
        if (loss == "link") {
            QVERIFY(QFile::link(place.folder, place.root.filePath("linked")));
            path = place.root.filePath("linked/autoexec.cfg");
        }
        if (loss == "refused")
            machine.kept.refuse = QStringLiteral("another user's file");
        if (loss == "killed")
            machine.disk.killAfter(TestFileLayer::Call::Rename, "/autoexec.cfg"); // the file in place, nothing after
        if (loss == "killed") {
            SavePolicy policy(machine);
            policy.saveChosen(path, {"seta r_gamma 1\r\n", false, std::nullopt}, yes);
            QVERIFY(machine.disk.killed());
            QCOMPARE(readAll(place.file), QByteArray("seta r_gamma 1\r\n"));
        } else {
            run(machine, "seta r_gamma 1\r\n", path);
        }
        QCOMPARE(readAll(place.copy()), player);

        if (loss == "deleted")
            machine.kept.shared()->clear();
        // The next run of a killed one shares only what it stored.
        TestMachine &next = loss == "window" || loss == "killed" ? other : machine;
        run(next, "seta r_gamma 2\r\n", place.file);
        run(next, "seta r_gamma 3\r\n", path);
        // The player's file is in a copy, and no copy holds the program's own output twice over.
        const QList<QByteArray> kept = files(place.folder).values();
        QVERIFY2(kept.contains(player), qPrintable(QStringList(files(place.folder).keys()).join(u' ')));
        QCOMPARE(kept.count(player), 1);
        // Where the record was only hard to find, or stored before the file took its name, the
        // program knows its own output and keeps no copy of it.
        if (loss == "link" || loss == "window" || loss == "killed")
            QCOMPARE(QStringList(files(place.folder).keys()), QStringList({"autoexec.cfg", "autoexec.cfg.bak"}));
    }

    // A record that cannot be stored is said once a run, with the settings' file; a record of a
    // file that is gone goes at the next save beside it.
    void recordProblemsAreSaidOnceAndRecordsDoNotPileUp()
    {
        TestMachine machine;
        Place place(machine);
        machine.kept.refuse = QStringLiteral("/home/u/.config/Brackwell/Brackwell.conf cannot be written");
        YesToAll yes;
        SavePolicy policy(machine);
        QStringList said;
        for (const char *name : {"a.cfg", "b.cfg", "c.cfg"}) {
            const SaveOutcome outcome =
                policy.saveChosen(QDir(place.folder).filePath(name), {"x\r\n", false, std::nullopt}, yes);
            QCOMPARE(outcome.result, SaveOutcome::Result::Saved);
            said << outcome.informative;
        }
        QVERIFY2(said[0].contains("could not keep its record") && said[0].contains(machine.kept.refuse), qPrintable(said[0]));
        QCOMPARE(said.mid(1), QStringList({"Written to " + QDir::toNativeSeparators(QDir(place.folder).filePath("b.cfg")),
                                            "Written to " + QDir::toNativeSeparators(QDir(place.folder).filePath("c.cfg"))}));

        machine.kept.refuse.clear();
        // What could not be stored is stored with the next record that can.
        policy.saveChosen(QDir(place.folder).filePath("a.cfg"), {"y\r\n", false, std::nullopt}, yes);
        QCOMPARE(machine.kept.shared()->keys().filter("savedFiles/").size(), 3);
        QVERIFY(QFile::remove(QDir(place.folder).filePath("a.cfg")));
        policy.saveChosen(QDir(place.folder).filePath("c.cfg"), {"y\r\n", false, std::nullopt}, yes);
        QCOMPARE(machine.kept.shared()->keys().filter("savedFiles/").size(), 2); // b and c
    }

    // A file holding lines the player typed is theirs where the new config leaves a line of it out:
    // replacing it asks (in the folders where a player's file is asked about) and keeps a copy.
    void linesThePlayerTypedAreThePlayers()
    {
        TestMachine machine;
        QTemporaryDir root;
        machine.driveRoot = root.filePath(QStringLiteral("drive")); // no game installed there
        machine.home = root.filePath(QStringLiteral("home"));
        machine.documents = root.filePath(QStringLiteral("home/Documents"));
        // ET: Legacy's own folder in the user's files: below the home, or Documents on Windows.
        const QString home = gameFolderCandidates(machine.places(), hostPlatform)[hostPlatform == Platform::Windows ? 2 : 1];
        QVERIFY(QDir().mkpath(home));
        const QString file = home + QStringLiteral("/autoexec.cfg");
        const QByteArray typed = "seta r_gamma \"1.2\"\r\nbind k \"say typed\"\r\n\r\n";
        YesToAll yes;
        {
            SavePolicy run1(machine);
            QCOMPARE(run1.saveOneClick({typed, true, std::nullopt}, yes).result, SaveOutcome::Result::Saved);
        }
        SavePolicy run2(machine);
        // A config that keeps every line typed replaces it as the program's own output.
        const QByteArray keeping = "seta r_gamma \"1.2\"\r\nseta cg_fov 100\r\nbind k \"say typed\"\r\n\r\n";
        QCOMPARE(run2.saveOneClick({keeping, true, std::nullopt}, yes).result, SaveOutcome::Result::Saved);
        QCOMPARE(yes.asked, QStringList());
        QVERIFY(!QFileInfo::exists(backupFile(file)));
        // One that leaves the typed bind out asks first, and keeps the file as it was.
        const QByteArray fresh = "seta r_gamma \"1.2\"\r\n\r\n";
        QCOMPARE(run2.saveOneClick({fresh, false, std::nullopt}, yes).result, SaveOutcome::Result::Saved);
        QCOMPARE(yes.asked.size(), 1);
        QVERIFY2(yes.asked[0].startsWith(QStringLiteral("\"%1\" holds lines you typed or added that this config leaves out.")
                                             .arg(QDir::toNativeSeparators(file))),
                 qPrintable(yes.asked[0]));
        QCOMPARE(readAll(backupFile(file)), keeping);
        QCOMPARE(readAll(file), fresh);
    }

    // The same file through another name is the file open in the window: a save over it asks only
    // whether to overwrite what changed on disk.
    void theOpenFileThroughAnotherName()
    {
        for (const bool hard : {false, true}) {
            TestMachine machine;
            Place place(machine);
            writeAll(place.file, "seta r_gamma 1\r\n");
            const QString other = place.root.filePath("other.cfg");
#ifdef Q_OS_UNIX
            QCOMPARE(hard ? ::link(QFile::encodeName(place.file).constData(), QFile::encodeName(other).constData())
                          : ::symlink(QFile::encodeName(place.file).constData(), QFile::encodeName(other).constData()),
                     0);
#else
            QSKIP("links here are shortcuts, which the system does not follow");
#endif
            const SaveRequest request{"seta r_gamma 2\r\n", false, OpenFile{other, "seta r_gamma 0\r\n"}};
            YesToAll yes;
            SavePolicy policy(machine);
            QCOMPARE(policy.saveChosen(place.file, request, yes).result, SaveOutcome::Result::Saved);
            QCOMPARE(yes.asked.size(), 1);
            QVERIFY2(yes.asked[0].contains("has changed on disk"), qPrintable(yes.asked[0]));
        }
    }

    // Names beside a file of the longest name a folder takes stay within the limit, and saving it
    // keeps a copy as with any other.
    void longNamesKeepTheirCopies()
    {
        TestMachine machine;
        Place place(machine);
        const QString name = QString(245 - 4, u'n') + QStringLiteral(".cfg");
        const QString file = QDir(place.folder).filePath(name);
        writeAll(file, "// mine\r\n");
        YesToAll yes;
        SavePolicy policy(machine);
        for (const QByteArray &bytes : {QByteArray("one\r\n"), QByteArray("two\r\n")}) {
            const SaveOutcome outcome = policy.saveChosen(file, {bytes, false, std::nullopt}, yes);
            QVERIFY2(outcome.result == SaveOutcome::Result::Saved, qPrintable(outcome.text + outcome.informative));
        }
        QCOMPARE(readAll(file), QByteArray("two\r\n"));
        QCOMPARE(readAll(backupFile(file)), QByteArray("// mine\r\n"));
        for (const QString &sibling : {backupFile(file), backupFile(file, olderCopies), temporaryFile(file),
                                       temporaryFile(backupFile(file))})
            QVERIFY2(QFile::encodeName(QFileInfo(sibling).fileName()).size() <= 255, qPrintable(sibling));
        QCOMPARE(temporaries(place.folder), QStringList());
    }

#ifdef Q_OS_UNIX
    // Copies a failed save leaves as they were: a link stays a link, and a copy this user may not
    // read is neither read nor deleted.
    void aFailedSaveLeavesTheCopiesAsTheyWere()
    {
        for (const QString &copy : {QStringLiteral("link"), QStringLiteral("unreadable")}) {
            TestMachine machine;
            Place place(machine);
            writeAll(place.file, "// mine\r\n");
            writeAll(place.root.filePath("elsewhere.cfg"), "elsewhere\r\n");
            if (copy == "link") {
                QVERIFY(QFile::link(place.root.filePath("elsewhere.cfg"), place.copy()));
            } else {
                writeAll(place.copy(), "older\r\n");
                QVERIFY(QFile::setPermissions(place.copy(), QFile::WriteOwner));
            }
            const QMap<QString, QByteArray> before = files(place.root.path());
            machine.disk.failNext(TestFileLayer::Call::Rename, "/autoexec.cfg", fileErrors::accessDenied);
            YesToAll yes;
            SavePolicy policy(machine);
            const SaveOutcome outcome = policy.saveChosen(place.file, {"new\r\n", false, std::nullopt}, yes);
            QCOMPARE(outcome.result, SaveOutcome::Result::Failed);
            QCOMPARE(outcome.informative, "autoexec.cfg is unchanged.");
            QCOMPARE(QFileInfo(place.copy()).isSymLink(), copy == "link");
            QFile::setPermissions(place.copy(), QFile::ReadOwner | QFile::WriteOwner);
            QCOMPARE(files(place.root.path()), before);
        }
    }

    // The system's own refusal part-way, a file size limit as a full disk: the file as it was, and
    // nothing temporary left; a save that goes through keeps the file's rights and its link.
    void theSystemsOwnFailuresAndRights()
    {
        TestMachine machine;
        Place place(machine);
        const QString real = place.root.filePath("real.cfg");
        writeAll(real, "previous config\r\n");
        const QFile::Permissions rights = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(real, rights));
        QVERIFY(QFile::link(real, place.file));
        YesToAll yes;
        SavePolicy policy(systemMachine());
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        rlimit small = limit;
        small.rlim_cur = 16;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const SaveOutcome failed = policy.saveChosen(place.file, {QByteArray(4096, 'n'), false, std::nullopt}, yes);
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(failed.result, SaveOutcome::Result::Failed);
        QCOMPARE(failed.text, QLatin1StringView(streamWriteError));
        QCOMPARE(failed.informative, "autoexec.cfg is unchanged.");
        QVERIFY2(failed.details.contains("Reason: File too large."), qPrintable(failed.details));
        QCOMPARE(readAll(real), QByteArray("previous config\r\n"));
        QCOMPARE(temporaries(place.root.path()), QStringList());

        QCOMPARE(policy.saveChosen(place.file, {"new\r\n", false, std::nullopt}, yes).result, SaveOutcome::Result::Saved);
        QVERIFY(QFileInfo(place.file).isSymLink());
        QCOMPARE(readAll(real), QByteArray("new\r\n"));
        QCOMPARE(QFile::permissions(real) & QFile::Permissions(0x7077), rights);
        QCOMPARE(readAll(backupFile(real)), QByteArray("previous config\r\n"));
    }
#endif
};

QTEST_GUILESS_MAIN(TestSavePolicy)
#include "tst_savepolicy.moc"
