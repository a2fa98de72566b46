#include "platform/safefiles.h"
#include "platform/writerecords.h"
#include "support/randomstate.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"

#include <QAction>
#include <QMenu>
#include <QDirIterator>
#include <QPushButton>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

using namespace brackwell;

namespace {

using Kind = FakeDesktop::Kind;

enum class Save { OneClick, DialogButton, DialogMenu };

// Whether the config files' character set on this system holds `text`.
bool inFileSet(const QString &text)
{
    const QByteArray bytes = QStringEncoder(configFileEncoding()).encode(text);
    return QString(QStringDecoder(configFileEncoding()).decode(bytes)) == text;
}

// Every file and folder below `folder`, so a stray temporary file shows wherever it is.
QStringList tree(const QString &folder)
{
    QStringList paths;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << QDir(folder).relativeFilePath(it.next());
    paths.sort();
    return paths;
}

// What a save by the program records of a file it wrote, as an earlier run would have left it.
void recordAsOwn(TestMachine &machine, const QString &file, const QByteArray &bytes)
{
    FileFacts facts;
    machine.disk.inspect(file, facts, true);
    WriteRecords(machine.kept, machine.disk).written(machine.disk.resolve(file), facts.identity, bytes, false);
}

// A run of the program on the drive and user folders of the runs before, with what they kept.
void nextRun(WindowFixture &f, const QTemporaryDir &drive, const QTemporaryDir &user,
             const std::shared_ptr<MemorySettings::Store> &kept)
{
    f.machine.driveRoot = drive.path();
    f.machine.home = user.filePath(QStringLiteral("home"));
    f.machine.documents = user.filePath(QStringLiteral("home/Documents"));
    f.machine.kept.share(kept);
}

// A main window on a fake desktop whose drive and user folders are fresh temporary folders.
struct SaveFixture : WindowFixture {
    SaveFixture()
    {
        machine.driveRoot = drive.path();
        machine.home = user.filePath(QStringLiteral("home"));
        machine.documents = user.filePath(QStringLiteral("home/Documents"));
    }

    QString path(const QString &name) const { return drive.filePath(name); }
    QString gameFolder() const { return path(QStringLiteral("Program Files/Wolfenstein - Enemy Territory/etmain")); }
    QString oneClickFile() const { return gameFolder() + QStringLiteral("/autoexec.cfg"); }

    void save(Save how) const
    {
        switch (how) {
        case Save::OneClick: get<QPushButton>("btnSave")->click(); break;
        case Save::DialogButton: get<QPushButton>("btnSelectDestination")->click(); break;
        case Save::DialogMenu: get<QAction>("SaveConfig1")->trigger(); break;
        }
    }

    // The dialog save over `file`, which exists: the replace question answered Yes.
    void saveOver(const QString &file)
    {
        desktop.answerSaveDialog(file);
        desktop.answerQuestion(true);
        save(Save::DialogButton);
        desktop.shown.removeIf([](const FakeDesktop::Shown &box) { return box.kind == Kind::Question; });
        QCOMPARE(desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
    }

    QTemporaryDir drive; // the drive root, and where the dialog saves go
    QTemporaryDir user;  // the home and Documents folders
};

#ifdef Q_OS_LINUX
// Makes a folder refuse new files while its files can still be overwritten, until it goes: by its
// rights, or for an administrator, whom rights do not stop, by the file system's immutable flag.
struct RefusingFolder {
    explicit RefusingFolder(const QString &folder)
        : name(QFile::encodeName(folder)), fd(::open(name.constData(), O_RDONLY | O_DIRECTORY))
    {
        works = ::geteuid() != 0 ? ::chmod(name.constData(), 0555) == 0 : immutable(true);
    }
    ~RefusingFolder()
    {
        if (works && ::geteuid() != 0)
            ::chmod(name.constData(), 0755);
        else if (works)
            immutable(false);
        ::close(fd);
    }
    bool immutable(bool on)
    {
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
            return false;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        return ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    QByteArray name;
    int fd;
    bool works = false;
};
#endif

} // namespace

Q_DECLARE_METATYPE(Save)

class TestSaveHandlers : public QObject
{
    Q_OBJECT

private slots:
    // With no file open, the one-click save writes the box and one more CR LF: a generated script
    // ends in an empty line.
    void oneClickEndsTheLastLine_data()
    {
        QTest::addColumn<bool>("generate");
        QTest::addColumn<QString>("handEdited");
        QTest::addColumn<QByteArray>("expected"); // empty: the generated text and one more CR LF
        QTest::newRow("right after start-up") << false << QString() << QByteArray("\r\n");
        QTest::newRow("after a generation, over a longer file") << true << QString() << QByteArray();
        const QString longLine(300, u'w');
        QTest::newRow("hand-edited, long line not wrapped")
            << true << QString::fromUtf8("seta Name \"Joué\"\n\n") + longLine
            << QByteArray("seta Name \"Jou\xE9\"\r\n\r\n") + longLine.toLatin1() + "\r\n";
        QTest::newRow("hand-edited, ending in an empty line")
            << true << QString("seta a 1\n\n") << QByteArray("seta a 1\r\n\r\n\r\n");
    }
    void oneClickEndsTheLastLine()
    {
        QFETCH(bool, generate);
        QFETCH(QString, handEdited);
        QFETCH(QByteArray, expected);
        SaveFixture f;
        QVERIFY(QDir().mkpath(f.gameFolder()));
        writeAll(f.oneClickFile(), QByteArray(20000, 'x'));
        if (generate)
            f.create();
        if (!handEdited.isNull())
            f.output()->setPlainText(handEdited);
        if (expected.isEmpty()) {
            expected = f.outputText().toLatin1() + "\r\n";
            QVERIFY(expected.endsWith("\"\r\n\r\n"));
        }
        const QString before = f.output()->toPlainText();

        f.save(Save::OneClick);

        QCOMPARE(f.desktop.takeOnly(Kind::Message), QStringLiteral("Config File Saved"));
        QCOMPARE(readAll(f.oneClickFile()), expected);
        QCOMPARE(QDir(f.gameFolder()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"autoexec.cfg", "autoexec.cfg.bak"}));
        QCOMPARE(readAll(f.oneClickFile() + ".bak"), QByteArray(20000, 'x'));
        QCOMPARE(f.output()->toPlainText(), before);
    }

    // The folder is looked for at each click: each game folder made while the window is open
    // takes over from those after it in the order, and the one-click file goes there only.
    void oneClickFindsTheFirstGameFolderAtEachClick()
    {
        SaveFixture f;
        f.create();
        const QStringList folders = gameFolderCandidates(
            {f.machine.driveRoot, f.machine.home, f.machine.documents}, hostPlatform);
        QVERIFY(folders.size() >= 3);

        f.save(Save::OneClick);
        // The details say where it looked, and which save writes anywhere; so does the text in sight.
        const QString details = f.desktop.shown.value(0).details;
        QCOMPARE(f.desktop.shown.value(0).informative, details);
        QCOMPARE(f.desktop.takeOnly(Kind::Error), QStringLiteral("Invalid filename."));
        for (const QString &folder : folders)
            QVERIFY2(details.contains(QDir::toNativeSeparators(folder) + "\n"), qPrintable(details));
        QVERIFY2(details.contains("\"Manually Select Save Destination\""), qPrintable(details));
        QVERIFY(f.machine.disk.changed().isEmpty());

        const QByteArray expected = f.outputText().toLatin1() + "\r\n";
        for (qsizetype i = folders.size() - 1; i >= 0; --i) {
            QVERIFY(QDir().mkpath(folders[i]));
            f.save(Save::OneClick);
            QCOMPARE(f.desktop.takeOnly(Kind::Message), QStringLiteral("Config File Saved"));
            QCOMPARE(f.machine.disk.renamedTo(), QStringList{folders[i] + QStringLiteral("/autoexec.cfg")});
            QCOMPARE(readAll(oneClickFile(folders[i])), expected);
            f.machine.disk.startCounting();
        }
    }

    // A game folder this user may not write into (an installation below Program Files without
    // administrator rights) is passed over for the next one; when no folder takes the file, the
    // message names the first that refused and sends the user to the other save.
    void unwritableGameFolderIsPassedOver()
    {
        SaveFixture f;
        f.create();
        const QStringList folders = gameFolderCandidates(
            {f.machine.driveRoot, f.machine.home, f.machine.documents}, hostPlatform);
        for (const QString &folder : folders)
            QVERIFY(QDir().mkpath(folder));
        f.machine.unwritableFolders = folders.mid(0, folders.size() - 1);

        f.save(Save::OneClick);
        QCOMPARE(f.desktop.takeOnly(Kind::Message), QStringLiteral("Config File Saved"));
        QCOMPARE(f.machine.disk.renamedTo(), QStringList{oneClickFile(folders.last())});

        f.machine.unwritableFolders = folders;
        f.save(Save::OneClick);
        QCOMPARE(f.desktop.takeOnly(Kind::Error),
                 QStringLiteral("File access denied: the game folder \"%1\" cannot be written. Save with "
                                "\"Manually Select Save Destination\" instead.")
                     .arg(QDir::toNativeSeparators(folders.first())));
        QCOMPARE(f.machine.disk.renamedTo().size(), 1);
        QCOMPARE((tree(f.drive.path()) + tree(f.user.path())).filter(QStringLiteral(".tmp")), QStringList());
    }

    void dialogWritesTheBoxWithNothingAdded_data()
    {
        QTest::addColumn<Save>("how");
        QTest::addColumn<bool>("generate");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("button, empty box") << Save::DialogButton << false << "autoexec.cfg" << "autoexec.cfg";
        QTest::newRow("menu, after a generation") << Save::DialogMenu << true << "autoexec.cfg" << "autoexec.cfg";
        QTest::newRow("X.CFG stays X.CFG") << Save::DialogButton << true << "X.CFG" << "X.CFG";
        QTest::newRow("name without suffix") << Save::DialogButton << true << "mine" << "mine.cfg";
    }
    void dialogWritesTheBoxWithNothingAdded()
    {
        QFETCH(Save, how);
        QFETCH(bool, generate);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        SaveFixture f;
        if (generate)
            f.create();
        f.desktop.answerSaveDialog(f.path(chosen));

        f.save(how);

        QCOMPARE(f.desktop.dialogsOpened.size(), 1);
        QCOMPARE(f.desktop.dialogsOpened[0].suggestedName, QStringLiteral("autoexec"));
        QCOMPARE(f.desktop.dialogsOpened[0].defaultSuffix, QStringLiteral("cfg"));
        QCOMPARE(f.desktop.takeOnly(Kind::Message), QStringLiteral("Config File Saved"));
        QCOMPARE(tree(f.drive.path()), QStringList{written});
        QCOMPARE(readAll(f.path(written)), f.outputText().toLatin1());
    }

    void cancelWritesAndShowsNothing()
    {
        SaveFixture f;
        f.create();
        f.desktop.cancelSaveDialog();
        f.save(Save::DialogMenu);
        QCOMPARE(f.desktop.dialogsOpened.size(), 1);
        QVERIFY(f.desktop.shown.isEmpty());
        QVERIFY(f.machine.disk.changed().isEmpty());
    }

    // The question is about the file that will really be written, even when the dialog returned
    // another name; "No" goes back to the dialog on that name.
    void existingFileIsReplacedOnlyAfterYes_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << "x.cfg" << true;
        QTest::newRow("suffix added by the save, no") << "x" << false;
    }
    void existingFileIsReplacedOnlyAfterYes()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, yes);
        SaveFixture f;
        f.create();
        const QString target = f.path(QStringLiteral("x.cfg"));
        writeAll(target, "old config\r\n");
        f.desktop.answerSaveDialog(f.path(chosen));
        f.desktop.answerQuestion(yes);
        if (!yes)
            f.desktop.cancelSaveDialog();

        f.save(Save::DialogButton);

        QVERIFY(!f.desktop.shown.isEmpty());
        const FakeDesktop::Shown question = f.desktop.shown.takeFirst();
        QCOMPARE(question.kind, Kind::Question);
        QVERIFY2(question.text.contains(QDir::toNativeSeparators(target)), qPrintable(question.text));
        if (yes) {
            QCOMPARE(f.desktop.takeOnly(Kind::Message), QStringLiteral("Config File Saved"));
            QCOMPARE(readAll(target), f.outputText().toLatin1());
        } else {
            QVERIFY(f.desktop.shown.isEmpty());
            QCOMPARE(f.desktop.dialogsOpened.size(), 2);
            QCOMPARE(f.desktop.dialogsOpened[1].suggestedName, target);
            QCOMPARE(readAll(target), QByteArray("old config\r\n"));
        }
        QCOMPARE(tree(f.drive.path()), yes ? QStringList({"x.cfg", "x.cfg.bak"}) : QStringList({"x.cfg"}));
    }

    void failedSaveChangesNothing_data()
    {
        QTest::addColumn<Save>("how");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message"); // "Cannot create file": that, the path and the system's text
        QTest::newRow("one-click, no game folder") << Save::OneClick << "nothing" << "Invalid filename.";
        QTest::newRow("one-click, path through a file") << Save::OneClick << "file in path" << "Invalid filename.";
        QTest::newRow("one-click, folder as target") << Save::OneClick << "folder target" << "File access denied.";
        QTest::newRow("one-click, disk full") << Save::OneClick << "disk full" << "Disk full.";
        QTest::newRow("one-click, other error") << Save::OneClick << "in use" << "I/O error 32.";
        QTest::newRow("dialog, folder as target") << Save::DialogButton << "folder target" << "Cannot create file";
        QTest::newRow("dialog, missing folder") << Save::DialogMenu << "nothing" << "Cannot create file";
        QTest::newRow("dialog, disk full") << Save::DialogButton << "disk full" << "Stream write error.";
        QTest::newRow("one-click, read-only file") << Save::OneClick << "read-only" << "File access denied.";
        QTest::newRow("dialog, read-only file") << Save::DialogMenu << "read-only" << "Cannot create file";
    }
    void failedSaveChangesNothing()
    {
        QFETCH(Save, how);
        QFETCH(QString, setup);
        QFETCH(QString, message);
        SaveFixture f;
        f.create();
        const QString before = f.output()->toPlainText();
        const QString target = f.oneClickFile();
        if (how != Save::OneClick)
            f.desktop.answerSaveDialog(target);
        if (setup == "file in path") {
            writeAll(f.path(QStringLiteral("Program Files")), "a file, not a folder");
        } else if (setup == "folder target") {
            QVERIFY(QDir().mkpath(target + QStringLiteral("/inside")));
        } else if (setup == "read-only") {
            // Kept so on purpose, as players do against the game: even root, whom the system lets
            // write, leaves it alone.
            QVERIFY(QDir().mkpath(f.gameFolder()));
            writeAll(target, "previous config\r\n");
            QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else if (setup != "nothing") {
            QVERIFY(QDir().mkpath(f.gameFolder()));
            writeAll(target, "previous config\r\n");
            if (how != Save::OneClick)
                f.desktop.answerQuestion(true);
            if (setup == "disk full")
                f.machine.disk.failNext(TestFileLayer::Call::Write, ".tmp", fileErrors::diskFull);
            else
                f.machine.disk.failNext(TestFileLayer::Call::Rename, "autoexec.cfg", 32);
        }
        const QStringList filesBefore = tree(f.drive.path());
        const QByteArray previous = readAll(target);

        f.save(how);

        if (!f.desktop.shown.isEmpty() && f.desktop.shown.front().kind == Kind::Question)
            f.desktop.shown.removeFirst();
        const QString details = f.desktop.shown.isEmpty() ? QString() : f.desktop.shown.front().details;
        const QString error = f.desktop.takeOnly(Kind::Error);
        // Where there was a file to write, the details name it and the system's reason.
        if (setup != "nothing" && setup != "file in path")
            QVERIFY2(details.contains(QDir::toNativeSeparators(target)) && details.contains("Reason: "),
                     qPrintable(details));
        if (setup == "read-only")
            QVERIFY(details.contains("read-only") || error.contains("read-only"));
        if (message == QStringLiteral("Cannot create file")) {
            const QString start = message + QStringLiteral(" \"%1\". ").arg(QDir::toNativeSeparators(target));
            QVERIFY2(error.startsWith(start) && error.size() > start.size() + 1, qPrintable(error));
            QVERIFY2(error.endsWith(u'.') && !error.endsWith(QStringLiteral("..")), qPrintable(error));
        } else {
            QCOMPARE(error, message);
        }
        QCOMPARE(f.output()->toPlainText(), before);
        // Not even a copy: the one made before a write that then failed is taken back.
        QCOMPARE(tree(f.drive.path()), filesBefore);
        QCOMPARE(tree(f.user.path()), QStringList());
        QCOMPARE(readAll(target), previous);
    }

    // Runs of the program, each with a one-click save over the player's hand-written file: the copy
    // holds the last version the player wrote after every run, also once the file is read-only.
    void thePlayersVersionSurvivesEveryRun()
    {
        QTemporaryDir drive, user;
        const QString folder = drive.filePath("Program Files/Wolfenstein - Enemy Territory/etmain");
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + "/autoexec.cfg", bak = file + ".bak";
        QByteArray player = "// mine\r\nbind h \"dropobj\"\r\n";
        writeAll(file, player);
        const auto kept = std::make_shared<MemorySettings::Store>(); // as the system keeps it between runs
        const auto run = [&] {
            WindowFixture f;
            nextRun(f, drive, user, kept);
            f.create();
            f.clickButton("btnSave");
            return f.desktop.shown;
        };
        for (int i = 0; i < 3; ++i) {
            const QList<FakeDesktop::Shown> shown = run();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.front().text, QString::fromLatin1(savedMessage));
            QCOMPARE(shown.front().details, "Written to " + QDir::toNativeSeparators(file));
            QCOMPARE(readAll(bak), player);
        }
        player = readAll(file) + "seta r_gamma 2 // mine too\r\n";
        writeAll(file, player);
        run();
        QCOMPARE(readAll(bak), player);
        const QByteArray output = readAll(file);
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QList<FakeDesktop::Shown> refused = run();
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.front().text, "File access denied.");
        QVERIFY(refused.front().details.contains(QDir::toNativeSeparators(file)));
        QVERIFY(refused.front().details.contains("read-only"));
        QCOMPARE(readAll(file), output);
        QCOMPARE(readAll(bak), player);
    }

    // The one-click save asks before it replaces a file the player keeps: in the game's folders
    // beyond its own installation folder one that Brackwell did not write, and with a file open any
    // other file. No writes nothing.
    void oneClickAsksBeforeReplacingThePlayersFile_data()
    {
        QTest::addColumn<QString>("folder");   // installation or home
        QTest::addColumn<QString>("there");    // none, player's, own (Brackwell's output)
        QTest::addColumn<bool>("opened");      // another file is open in the window
        QTest::addColumn<QString>("question"); // the start of the question; empty: none
        QTest::newRow("installation folder") << "installation" << "player's" << false << "";
        QTest::newRow("home, nothing there") << "home" << "none" << false << "";
        QTest::newRow("home, the player's file") << "home" << "player's" << false << "\"%1\" holds a config Brackwell";
        QTest::newRow("home, Brackwell's own output") << "home" << "own" << false << "";
        QTest::newRow("installation, a file open") << "installation" << "own" << true << "One-Click Save writes \"%1\", not";
        QTest::newRow("home, a file open") << "home" << "player's" << true << "One-Click Save writes \"%1\", not";
    }
    void oneClickAsksBeforeReplacingThePlayersFile()
    {
        QFETCH(QString, folder);
        QFETCH(QString, there);
        QFETCH(bool, opened);
        QFETCH(QString, question);
        for (const bool yes : {false, true}) {
            SaveFixture f;
            // Below the user's own folders: ET: Legacy's home, Documents\ETLegacy on Windows.
            const QStringList folders =
                gameFolderCandidates({f.machine.driveRoot, f.machine.home, f.machine.documents}, hostPlatform);
            const int home = hostPlatform == Platform::Windows ? 2 : 1;
            const QString target = (folder == "home" ? folders[home] : f.gameFolder()) + "/autoexec.cfg";
            QVERIFY(QDir().mkpath(QFileInfo(target).path()));
            const QByteArray before = "bind h \"dropobj\"\r\n";
            if (there != "none")
                writeAll(target, before);
            if (there == "own")
                recordAsOwn(f.machine, target, before);
            if (opened) {
                writeAll(f.path("other.cfg"), "seta r_gamma 1.4\r\n");
                f.window->openConfigFile(f.path("other.cfg"));
                f.desktop.shown.clear();
            }
            f.create();
            if (!question.isEmpty())
                f.desktop.answerQuestion(yes);
            f.save(Save::OneClick);
            if (!question.isEmpty()) {
                const QString asked = f.desktop.shown.takeFirst().text;
                QVERIFY2(asked.startsWith(question.arg(QDir::toNativeSeparators(target))), qPrintable(asked));
                QCOMPARE(asked.contains("A copy of it is kept as"), there == "player's");
                if (opened)
                    QVERIFY(asked.contains(QDir::toNativeSeparators(f.path("other.cfg"))));
                if (!yes) {
                    QVERIFY(f.desktop.shown.isEmpty());
                    QCOMPARE(readAll(target), before);
                    continue;
                }
            } else if (!yes) {
                continue;
            }
            QCOMPARE(f.desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
            QCOMPARE(readAll(target + ".bak"), there == "player's" ? before : QByteArray("<missing>"));
        }
    }

    // A file that another program (the game, on quitting) changed since it was opened is not
    // written over unasked: overwrite, reload as an open does, or cancel. One deleted is saved anew.
    void aFileChangedOnDiskIsAskedAbout_data()
    {
        QTest::addColumn<QString>("answer"); // overwrite, reload, cancel; deleted: the file is gone
        QTest::newRow("overwrite") << "overwrite";
        QTest::newRow("reload") << "reload";
        QTest::newRow("cancel") << "cancel";
        QTest::newRow("deleted") << "deleted";
    }
    void aFileChangedOnDiskIsAskedAbout()
    {
        QFETCH(QString, answer);
        SaveFixture f;
        const QString file = f.path("etconfig.cfg");
        writeAll(file, "seta r_gamma 1.2\r\n");
        f.window->openConfigFile(file);
        f.desktop.shown.clear();
        f.typeInto(f.edit("edtGamma"), "1.6");
        f.create();
        const QByteArray game = "seta r_gamma 1.3\r\nseta cg_fov 100\r\n";
        if (answer == "deleted")
            QVERIFY(QFile::remove(file));
        else
            writeAll(file, game);
        f.desktop.answerSaveDialog(file);
        if (answer != "deleted")
            f.desktop.answerChangedOnDisk(answer == "overwrite" ? Desktop::ChangedOnDisk::Overwrite
                                          : answer == "reload"  ? Desktop::ChangedOnDisk::Reload
                                                                : Desktop::ChangedOnDisk::Cancel);
        f.save(Save::DialogButton);
        // One question, not "already exists" first: the file is the one open here.
        if (answer != "deleted")
            QVERIFY(f.desktop.shown.takeFirst().text.contains("has changed on disk since it was opened"));
        if (answer == "overwrite" || answer == "deleted") {
            QCOMPARE(f.desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
            QCOMPARE(readAll(file), QByteArray("seta r_gamma 1.6\r\n"));
        } else {
            QCOMPARE(readAll(file), game);
            QCOMPARE(f.edit("edtGamma")->text(), answer == "reload" ? "1.3" : "1.6");
        }
    }

    // Without a file open, the window's work is not dropped unasked: closing, New Config, opening
    // and Open Recent ask Save / Discard / Cancel where the window holds settings changed since it
    // started, or lines typed or added in the box. A window just started, one whose box the
    // program only filled from its settings, or one just saved, asks nothing. Save puts the settings
    // into the box first, keeps what was typed, and writes it where the dialog says.
    void workWithoutAFileIsNotDroppedUnasked()
    {
        int round = 0;
        for (const QString action : {"close", "new", "open", "recent"}) {
            for (const QString work : {"fresh", "created", "saved", "setting", "typed", "added"}) {
                SaveFixture f;
                f.showActive();
                const QString other = f.path("other.cfg");
                writeAll(other, "seta r_gamma 1.1\r\n");
                setRecentFiles(f.machine.kept, {other});
                if (work == "saved" || work == "setting")
                    f.typeInto(f.edit("edtGamma"), "1.7");
                if (work == "created" || work == "saved" || work == "typed")
                    f.clickButton("btnCreate");
                if (work == "saved") {
                    f.desktop.answerSaveDialog(f.path("saved.cfg"));
                    f.save(Save::DialogButton);
                    QCOMPARE(f.desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
                } else if (work == "typed") {
                    QTest::mouseClick(f.output()->viewport(), Qt::LeftButton);
                    QTest::keyClick(f.output(), Qt::Key_End, Qt::ControlModifier);
                    QTest::keyClicks(f.output(), "bind k \"say typed\"");
                } else if (work == "added") {
                    f.typeInto(f.edit("edtCustomInput"), "cg_fov");
                    f.typeInto(f.edit("edtValue"), "100");
                    f.clickButton("btnAddCustom");
                }
                const QString tag = action + ", " + work;
                const QString box = f.outputText();
                const bool asks = work == "setting" || work == "typed" || work == "added";
                const auto answer = Desktop::Unsaved(asks ? round++ % 3 : 0);
                if (asks)
                    f.desktop.answerUnsaved(answer);
                if (asks && answer == Desktop::Unsaved::Save)
                    f.desktop.answerSaveDialog(f.path("kept.cfg"));

                if (action == "close") {
                    f.window->close();
                } else if (action == "new") {
                    f.get<QAction>("NewConfig1")->trigger();
                } else if (action == "open") {
                    f.desktop.answerOpenDialog(other);
                    f.get<QAction>("OpenConfig1")->trigger();
                } else {
                    emit f.get<QMenu>("OpenRecent1")->aboutToShow();
                    const QList<QAction *> recent = f.get<QMenu>("OpenRecent1")->actions();
                    for (QAction *item : recent) {
                        if (item->data().toString() == QFileInfo(other).absoluteFilePath())
                            item->trigger();
                    }
                }

                if (asks) {
                    QVERIFY2(!f.desktop.shown.isEmpty() && f.desktop.shown.front().kind == Kind::Question, qPrintable(tag));
                    QCOMPARE(f.desktop.shown.takeFirst().text.section(u'\n', 0, 0),
                             "Do you want to save the config made here?");
                }
                if (asks && answer == Desktop::Unsaved::Save) {
                    QCOMPARE(f.desktop.shown.takeFirst().text, QString::fromLatin1(savedMessage));
                    const QByteArray kept = readAll(f.path("kept.cfg"));
                    QVERIFY2(kept.contains("seta r_gamma \"1.7\"") == (work == "setting"), kept.constData());
                    if (work != "setting")
                        QCOMPARE(kept, box.toLatin1());
                }
                const bool goesOn = !asks || answer != Desktop::Unsaved::Cancel;
                if (action == "close")
                    QVERIFY2(f.window->isVisible() != goesOn, qPrintable(tag));
                else if (action == "new")
                    QVERIFY2(f.outputText().isEmpty() == goesOn || box.isEmpty(), qPrintable(tag));
                else
                    QVERIFY2((f.window->windowTitle() == "other.cfg[*] \u2014 Brackwell") == goesOn, qPrintable(tag));
                if (!goesOn)
                    QCOMPARE(f.outputText(), box);
                f.desktop.shown.removeIf([](const FakeDesktop::Shown &box) { return box.kind != Kind::Question; });
                QVERIFY2(f.desktop.shown.isEmpty(), qPrintable(tag + ": asked again"));
            }
        }
    }

    // Undo takes Create Config back: a line typed in the box and then replaced by a script of the
    // window's own comes back.
    void undoBringsBackWhatCreateConfigReplaced()
    {
        SaveFixture f;
        f.showActive();
        f.clickButton("btnCreate");
        QTest::mouseClick(f.output()->viewport(), Qt::LeftButton);
        QTest::keyClick(f.output(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(f.output(), "bind k \"say typed\"");
        const QString typed = f.outputText();
        f.clickButton("btnCreate");
        QVERIFY(!f.outputText().contains("say typed"));
        f.output()->setFocus();
        QTest::keyClick(f.output(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.outputText(), typed);
    }

    // With a file open, Save in the question saves what the window shows: a value typed on a tab
    // and not yet put in by Create Config goes into the file.
    void savingOnCloseTakesTheTabsSettings()
    {
        SaveFixture f;
        f.showActive();
        const QString file = f.path("mine.cfg");
        writeAll(file, "seta r_gamma 1.2\r\nbind h \"dropobj\"\r\n");
        f.window->openConfigFile(file);
        f.desktop.shown.clear();
        f.typeInto(f.edit("edtGamma"), "1.9");
        f.desktop.answerUnsaved(Desktop::Unsaved::Save);
        f.window->close();
        QVERIFY(!f.window->isVisible());
        QCOMPARE(readAll(file), QByteArray("seta r_gamma 1.9\r\nbind h \"dropobj\"\r\n"));
    }

    // A bind the player typed into the box and saved is theirs: the next run's one-click save asks
    // before it replaces the file with a config without it, and keeps the file as it was.
    void aTypedLineSavedSurvivesTheNextRun()
    {
        QTemporaryDir drive, user;
        // ET: Legacy's own folder in the user's files: below the home, or Documents on Windows.
        const QString folder = gameFolderCandidates({drive.path(), user.filePath("home"), user.filePath("home/Documents")},
                                                    hostPlatform)[hostPlatform == Platform::Windows ? 2 : 1];
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + "/autoexec.cfg";
        const auto kept = std::make_shared<MemorySettings::Store>();
        const auto run = [&](bool type) {
            WindowFixture f;
            nextRun(f, drive, user, kept);
            f.showActive();
            f.clickButton("btnCreate");
            if (type) {
                QTest::mouseClick(f.output()->viewport(), Qt::LeftButton);
                QTest::keyClick(f.output(), Qt::Key_End, Qt::ControlModifier);
                QTest::keyClicks(f.output(), "bind k \"say typed\"");
            } else {
                f.desktop.answerQuestion(true);
            }
            f.clickButton("btnSave");
            if (!type)
                QVERIFY(f.desktop.shown.takeFirst().text.contains("holds lines you typed or added"));
            QCOMPARE(f.desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
        };
        run(true);
        QVERIFY(readAll(file).contains("bind k \"say typed\""));
        run(false);
        QVERIFY(!readAll(file).contains("say typed"));
        QVERIFY(readAll(file + ".bak").contains("bind k \"say typed\""));
    }

    // Create Config edits the box as the player left it: a line typed and saved, a free bind added,
    // stay through later passes and saves.
    void createConfigKeepsWhatThePlayerTyped()
    {
        SaveFixture f;
        const QString file = f.path("autoexec.cfg");
        writeAll(file, "seta r_gamma 1.2\r\nbind h \"dropobj\"\r\n");
        f.window->openConfigFile(file);
        f.desktop.shown.clear();
        f.showActive();
        f.openTabOf(f.output());
        QTest::mouseClick(f.output()->viewport(), Qt::LeftButton);
        f.output()->moveCursor(QTextCursor::End);
        QTest::keyClicks(f.output(), "bind j \"say typed\"");
        f.saveOver(file);
        f.typeInto(f.edit("edtGamma"), "1.7");
        f.create();
        f.saveOver(file);
        QCOMPARE(readAll(file), QByteArray("seta r_gamma 1.7\r\nbind h \"dropobj\"\r\nbind j \"say typed\""));
        QCOMPARE(f.window->windowTitle(), "autoexec.cfg[*] \u2014 Brackwell");
        QVERIFY(!f.window->isWindowModified());

        f.typeInto(f.edit("edtCustomInput"), "cg_drawFPS");
        f.typeInto(f.edit("edtValue"), "1");
        f.clickButton("btnAddCustom");
        f.typeInto(f.edit("edtGamma"), "1.9");
        f.create();
        QVERIFY2(f.outputText().endsWith("\r\nseta cg_drawFPS 1"), qPrintable(f.outputText()));
        QVERIFY(f.outputText().contains("bind j \"say typed\""));
        QVERIFY(f.outputText().startsWith("seta r_gamma 1.9\r\n"));
    }

    // Random sequences of what a player does with a file open (type a line in the box, add a
    // variable on "Extra Binds/Other CVARs", change a row, Create Config, save, reopen): every line
    // the player typed that the window does not hold ends in the saved file.
    void typedLinesSurviveAnySequence()
    {
        testing::RandomState random(20261208);
        QList<int> editRows;
        for (int i = 0; i < SettingCount; ++i)
            if (settingRows[i].kind == ControlKind::Edit)
                editRows << i;
        for (int sequence = 0; sequence < 12; ++sequence) {
            SaveFixture f;
            const QString file = f.path("autoexec.cfg");
            writeAll(file, "seta r_gamma 1.2\r\n// mine\r\nbind h \"dropobj\"\r\n");
            f.window->openConfigFile(file);
            f.desktop.shown.clear();
            QStringList typed;
            for (int step = 0; step < 10; ++step) {
                const QString line = random.chance(50) ? QStringLiteral("// note %1.%2").arg(sequence).arg(step)
                                                       : QStringLiteral("seta brk_note%1_%2 %3").arg(sequence).arg(step).arg(step);
                switch (random.below(6)) {
                case 0: { // typed at the end of the box, on a line of its own
                    f.openTabOf(f.output());
                    QTest::mouseClick(f.output()->viewport(), Qt::LeftButton);
                    f.output()->moveCursor(QTextCursor::End);
                    if (!f.output()->textCursor().block().text().isEmpty())
                        QTest::keyClick(f.output(), Qt::Key_Return);
                    QTest::keyClicks(f.output(), line);
                    typed << line;
                    break;
                }
                case 1: { // an extra variable
                    const QString name = QStringLiteral("brk_extra%1_%2").arg(sequence).arg(step);
                    f.typeInto(f.edit("edtCustomInput"), name);
                    f.typeInto(f.edit("edtValue"), QString::number(step));
                    f.clickButton("btnAddCustom");
                    typed << QStringLiteral("seta %1 %2").arg(name).arg(step);
                    break;
                }
                case 2: { // a row's value typed
                    const int row = editRows[random.below(int(editRows.size()))];
                    if (f.window->row(row).control->isEnabled())
                        f.typeInto(f.window->row(row).control, QString::number(random.below(90) + 1));
                    break;
                }
                case 3: f.create(); break;
                case 4: f.saveOver(file); break;
                case 5: // reopened once saved, as a player comes back to it
                    if (!f.window->isWindowModified()) {
                        f.window->openConfigFile(file);
                        f.desktop.shown.clear();
                    }
                    break;
                }
            }
            f.saveOver(file);
            const QStringList lines = QString::fromLatin1(readAll(file)).split(QStringLiteral("\r\n"));
            for (const QString &line : std::as_const(typed))
                QVERIFY2(lines.contains(line), qPrintable(QStringLiteral("sequence %1 lost \"%2\" from:\n%3")
                                                              .arg(sequence).arg(line, lines.join(u'\n'))));
        }
    }

#ifdef Q_OS_LINUX
    // Before a save replaces a file, the file as it was goes beside it as <name>.bak, once a run:
    // later saves leave the copy alone. Without the copy the file is not replaced.
    void theFileAsItWasIsKeptOnce_data()
    {
        QTest::addColumn<Save>("how");
        QTest::addColumn<QString>("target"); // none, file, link (to a file elsewhere), opened (in the window)
        QTest::addColumn<QString>("copy");   // none, old, read-only, link (to a file elsewhere)
        QTest::addColumn<bool>("refusing");  // the folder takes no new file
        QTest::addColumn<bool>("saved");
        QTest::newRow("new file") << Save::DialogButton << "none" << "old" << false << true;
        QTest::newRow("one-click over a file") << Save::OneClick << "file" << "none" << false << true;
        QTest::newRow("over a file and an old copy") << Save::DialogMenu << "file" << "old" << false << true;
        QTest::newRow("copy read-only") << Save::OneClick << "file" << "read-only" << false << false;
        QTest::newRow("copy a link") << Save::DialogButton << "file" << "link" << false << true;
        QTest::newRow("through a link") << Save::OneClick << "link" << "none" << false << true;
        QTest::newRow("over the file opened") << Save::DialogButton << "opened" << "none" << false << true;
        QTest::newRow("folder refusing, no copy yet") << Save::DialogButton << "file" << "none" << true << false;
        // No copy can be made beside it, and writing over the file itself could cut its only copy.
        QTest::newRow("folder refusing, old copy") << Save::DialogButton << "file" << "old" << true << false;
    }
    void theFileAsItWasIsKeptOnce()
    {
        QFETCH(Save, how);
        QFETCH(QString, target);
        QFETCH(QString, copy);
        QFETCH(bool, refusing);
        QFETCH(bool, saved);
        SaveFixture f;
        QVERIFY(QDir().mkpath(f.gameFolder()) && QDir().mkpath(f.path("elsewhere")));
        const QString name = f.oneClickFile();
        const QString file = target == "link" ? f.path("elsewhere/mine.cfg") : name; // the file replaced
        const QByteArray own = "bind x \"say my own\"\r\n";
        if (target != "none")
            writeAll(file, own);
        if (target == "link")
            QVERIFY(QFile::link(file, name));
        const QString bak = file + ".bak";
        if (copy == "link") {
            writeAll(f.path("elsewhere/other"), "other");
            QVERIFY(QFile::link(f.path("elsewhere/other"), bak));
        } else if (copy != "none") {
            writeAll(bak, "older copy");
        }
        if (copy == "read-only")
            QVERIFY(QFile::setPermissions(bak, QFile::ReadOwner | QFile::ReadGroup));
        if (target == "opened") {
            f.window->openConfigFile(name);
            f.desktop.shown.clear(); // what the window keeps as it is
            f.create();
        }
        const QByteArray oldCopy = readAll(bak);
        const auto saveBox = [&] {
            if (how != Save::OneClick) {
                f.desktop.answerSaveDialog(name);
                if (QFileInfo::exists(name))
                    f.desktop.answerQuestion(true);
            }
            f.save(how);
            f.desktop.shown.removeIf([](const FakeDesktop::Shown &box) { return box.kind == Kind::Question; });
        };
        std::optional<RefusingFolder> refused;
        if (refusing && !refused.emplace(f.gameFolder()).works)
            QSKIP("no way here to make a folder refuse new files");

        f.create();
        saveBox();
        if (!saved) {
            const QString informative = f.desktop.shown.value(0).informative;
            const QString error = f.desktop.takeOnly(Kind::Error);
            if (refusing) {
                QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(QDir::toNativeSeparators(file))),
                         qPrintable(error));
                QVERIFY2(informative.startsWith("Its folder takes no new file") &&
                             informative.contains("autoexec.cfg is unchanged."),
                         qPrintable(informative));
            } else {
                QVERIFY2(error.startsWith(QStringLiteral("\"%1\" was not replaced: its copy \"%1.bak\" could not be made. ")
                                              .arg(QDir::toNativeSeparators(file))),
                         qPrintable(error));
            }
            QCOMPARE(readAll(file), own);
            QCOMPARE(readAll(bak), oldCopy);
            return;
        }
        QCOMPARE(f.desktop.takeOnly(Kind::Message), QStringLiteral("Config File Saved"));
        const QByteArray first = readAll(file);
        QCOMPARE(first, f.outputText().toLatin1() + (how == Save::OneClick ? "\r\n" : ""));
        QCOMPARE(readAll(bak), target == "none" ? oldCopy : own);
        // The copy there before is kept one place older, a link as a link.
        if (target != "none" && copy != "none") {
            QCOMPARE(QFileInfo(bak + ".1").isSymLink(), copy == "link");
            QCOMPARE(readAll(bak + ".1"), copy == "link" ? QByteArray("other") : oldCopy);
        }
        QCOMPARE(QFileInfo(name).isSymLink(), target == "link");
        QCOMPARE(QFileInfo::exists(name + ".bak"), target != "link");
        if (copy == "link")
            QCOMPARE(readAll(f.path("elsewhere/other")), QByteArray("other"));
        // A second save keeps the copy: the file is Brackwell's own output now.
        f.output()->setPlainText("seta r_gamma 2\n");
        saveBox();
        QCOMPARE(f.desktop.takeOnly(Kind::Message), QStringLiteral("Config File Saved"));
        QVERIFY(readAll(file).startsWith("seta r_gamma 2\r\n"));
        QCOMPARE(readAll(bak), target == "none" ? oldCopy : own);
        QCOMPARE(tree(f.gameFolder()).filter(".tmp"), QStringList());
    }
#endif

    void characterOutsideTheFileSetStopsTheSaveBeforeTheDialog()
    {
        if (inFileSet(QString::fromUtf8("Ł")))
            QSKIP("this system's character set holds the character");
        SaveFixture f;
        f.output()->setPlainText(QString::fromUtf8("seta Name \"ok\"\nbind x \"say Łódź\""));
        f.save(Save::DialogButton);
        QCOMPARE(f.desktop.takeOnly(Kind::Error),
                 QString::fromUtf8("The config file cannot hold the character \"Ł\" (U+0141) on line 2."));
        QVERIFY(f.desktop.dialogsOpened.isEmpty());
        QVERIFY(f.machine.disk.changed().isEmpty());
    }

    // Every character the box holds is written as it is: a no-break space typed into the player
    // name stays byte 0xA0, and a line break typed into the box with Shift+Enter becomes CR LF.
    void typedCharactersAreSavedAsTheyAre()
    {
        if (QStringEncoder(configFileEncoding()).encode(QString(QChar(0xA0))) != QByteArray("\xA0"))
            QSKIP("this system's character set writes a no-break space otherwise");
        SaveFixture f;
        const QString name = QStringLiteral("A") + QChar(0xA0) + QStringLiteral("B");
        f.typeInto(f.edit("edtPlayerName"), name);
        QCOMPARE(f.edit("edtPlayerName")->text(), name);
        f.clickButton("btnCreate");
        QTest::mouseClick(f.output()->viewport(), Qt::LeftButton);
        QTest::keyClick(f.output(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(f.output(), "x");
        QTest::keyClick(f.output(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(f.output(), QStringLiteral("y") + QChar(0xA0));
        f.desktop.answerSaveDialog(f.path("nbsp.cfg"));

        f.save(Save::DialogButton);

        QCOMPARE(f.desktop.takeOnly(Kind::Message), QStringLiteral("Config File Saved"));
        const QByteArray saved = readAll(f.path("nbsp.cfg"));
        QVERIFY2(saved.startsWith("seta Name \"A\xA0" "B\"\r\n"), saved.left(20).toHex().constData());
        QVERIFY2(saved.endsWith("\r\nx\r\ny\xA0"), saved.right(20).toHex().constData());
    }

};

QTEST_MAIN(TestSaveHandlers)
#include "tst_savehandlers.moc"
