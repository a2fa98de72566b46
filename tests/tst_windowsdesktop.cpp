// The Windows half of the desktop on a real Windows file system, with the system's own drive,
// home and Documents folders. It runs in the Wine prefix that tools/windows/wine.sh prepares as a
// player's Windows: the user is "Zoë", the program folders are read-only, the original game is
// installed read-only below Program Files (x86), and an older installation folder below Program
// Files belongs to the user. Only what the test makes itself is removed afterwards.
#include "platform/gamefolders.h"
#include "platform/savemessages.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "gui/desktop.h"
#include "platform/machine.h"
#include "platform/safefiles.h"
#include "platform/win32files.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

using namespace brackwell;

namespace {

using Kind = FakeDesktop::Kind;
constexpr unsigned long sharingViolation = ERROR_SHARING_VIOLATION;

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

bool setReadOnly(const QString &path, bool readOnly)
{
    return SetFileAttributesW(native(path).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

// Removes the folders a test made, whatever way it ends.
struct MadeFolders {
    ~MadeFolders()
    {
        for (const QString &folder : folders)
            QDir(folder).removeRecursively();
    }
    QStringList folders;
};

// A main window whose desktop takes its places from the system, as the program does.
struct SystemFixture : WindowFixture {
    SystemFixture()
    {
        const GamePlaces system = systemMachine().places();
        machine.driveRoot = system.driveRoot;
        machine.home = system.home;
        machine.documents = system.documents;
        folders = gameFolderCandidates(system, Platform::Windows);
    }

    void oneClick() const { get<QPushButton>("btnSave")->click(); }
    void dialogSave(const QString &path)
    {
        desktop.answerSaveDialog(path);
        // A read-only file is refused without the question.
        if (QFileInfo(path).isFile() && QFileInfo(path).isWritable())
            desktop.answerQuestion(true);
        get<QPushButton>("btnSelectDestination")->click();
        if (!desktop.shown.isEmpty() && desktop.shown.front().kind == Kind::Question)
            desktop.shown.removeFirst();
    }
    // The file the one-click save writes after a generation: the box, whose last line is ended.
    // A script of the window's own: the box and one more CR LF.
    QByteArray oneClickBytes() const { return outputText().toLatin1() + "\r\n"; }

    QStringList folders; // Program Files, Program Files (x86), Documents' legacy and etmain
};

} // namespace

class TestWindowsDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The current folder decides the drive of the one-click save: the user's folder, on C: as
        // for a program started from the Start menu, not the build folder this test starts in.
        QVERIFY(QDir::setCurrent(QDir::homePath()));
        applicationSetup();
        SystemFixture f;
        QCOMPARE(f.machine.driveRoot, QStringLiteral("C:/"));
        QVERIFY2(f.machine.home.contains(QStringLiteral("Zoë")), qPrintable(f.machine.home));
        QVERIFY2(f.machine.documents.startsWith(f.machine.home + u'/'), qPrintable(f.machine.documents));
        QVERIFY2(QFileInfo(f.folders[1]).isDir() && !folderTakesNewFiles(systemFileLayer(), f.folders[1]),
                 "the game must be installed read-only below Program Files (x86)");
        const QString ownInstallation = QFileInfo(f.folders[0]).path();
        QVERIFY2(folderTakesNewFiles(systemFileLayer(), ownInstallation),
                 "the installation below Program Files must be the user's");
        for (const QString &folder : {f.folders[0], f.folders[2], f.folders[3]})
            QVERIFY2(!QFileInfo::exists(folder), qPrintable(folder + " exists already: a player's files?"));
    }

    // The read-only installation is passed over and named while no other folder exists; then each
    // game folder made takes over from those after it, the one below Program Files last.
    void oneClickWritesIntoTheFirstFolderTheUserMayWrite()
    {
        SystemFixture f;
        MadeFolders made{{QDir(f.machine.documents).filePath(QStringLiteral("ETLegacy")), f.folders[0]}};
        f.typeInto(f.edit("edtPlayerName"), QStringLiteral("Zoë"));
        f.create();
        const QByteArray installed = readAll(oneClickFile(f.folders[1]));

        f.oneClick();
        QCOMPARE(f.desktop.takeOnly(Kind::Error), unwritableGameFolderMessage(f.folders[1]) + u'.');
        QVERIFY2(f.desktop.shown.isEmpty() && f.machine.disk.changed().isEmpty(), "nothing is written");

        for (const int folder : {3, 2, 0}) {
            QVERIFY(QDir().mkpath(f.folders[folder]));
            f.oneClick();
            QCOMPARE(f.desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
            QCOMPARE(readAll(oneClickFile(f.folders[folder])), f.oneClickBytes());
            QCOMPARE(filesIn(f.folders[folder]), QStringList{QString::fromLatin1(oneClickFileName)});
        }
        QVERIFY(f.oneClickBytes().contains("seta Name \"Zo\xEB\""));
        QCOMPARE(readAll(oneClickFile(f.folders[1])), installed);
    }

    // The new file takes the old one's place only when complete: a second name of the old file
    // (a hard link) still holds the old bytes, as a rewrite in place would not leave them.
    void dialogSaveReplacesTheFileWhole()
    {
        SystemFixture f;
        f.create();
        QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("Zoë's configs-XXXXXX")));
        QVERIFY(folder.isValid());
        const QString target = folder.filePath(QStringLiteral("ëtmain.cfg"));
        const QString second = folder.filePath(QStringLiteral("old.cfg"));
        writeAll(target, "seta old \"1\"\r\n");
        QVERIFY(CreateHardLinkW(native(second).c_str(), native(target).c_str(), nullptr));

        f.dialogSave(target);

        QCOMPARE(f.desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
        QCOMPARE(readAll(target), f.outputText().toLatin1());
        QCOMPARE(readAll(second), QByteArray("seta old \"1\"\r\n"));
        QCOMPARE(filesIn(folder.path()), (QStringList{QStringLiteral("old.cfg"), QStringLiteral("ëtmain.cfg"),
                                                      QStringLiteral("ëtmain.cfg.bak")}));
        QCOMPARE(readAll(target + QStringLiteral(".bak")), QByteArray("seta old \"1\"\r\n"));
    }

    // A config the player hid stays hidden when saved over; and while another program holds it
    // (the save tries again for about a second), the save fails and leaves the folder as it was.
    void savedOverConfigKeepsItsAttributesOrStaysAsItWas()
    {
        SystemFixture f;
        f.create();
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("autoexec.cfg"));
        writeAll(target, "seta old \"1\"\r\n");
        QVERIFY(SetFileAttributesW(native(target).c_str(), FILE_ATTRIBUTE_HIDDEN));
        f.dialogSave(target);
        QCOMPARE(f.desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
        QCOMPARE(readAll(target), f.outputText().toLatin1());
        QVERIFY(GetFileAttributesW(native(target).c_str()) & FILE_ATTRIBUTE_HIDDEN);

        const HANDLE held = CreateFileW(native(target).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
        f.dialogSave(target);
        CloseHandle(held);
        // Held so that it cannot even be read, it cannot be known for Brackwell's own, nor copied.
        const QString error = f.desktop.takeOnly(Kind::Error);
        QVERIFY2(error.startsWith(QStringLiteral("\"%1\" was not replaced").arg(QDir::toNativeSeparators(target))),
                 qPrintable(error));
        QCOMPARE(readAll(target), f.outputText().toLatin1());
        // The copy made before the first replacement, and no file left behind by the refused one.
        QCOMPARE(filesIn(folder.path()), QStringList({QStringLiteral("autoexec.cfg"), QStringLiteral("autoexec.cfg.bak")}));
    }

    // A hold that ends within the tries is ridden over; one that lasts fails with the system's reason.
    void heldTargetIsTriedAgain_data()
    {
        QTest::addColumn<int>("refusals");
        QTest::newRow("held for a moment") << 2;
        QTest::newRow("held on") << 1000;
    }
    void heldTargetIsTriedAgain()
    {
        QFETCH(int, refusals);
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("autoexec.cfg"));
        writeAll(target, "old");
        win32::PlaceCalls calls = win32::systemPlaceCalls();
        int tries = 0;
        calls.replaceExisting = [&, system = calls.replaceExisting](const std::wstring &to, const std::wstring &from,
                                                                      const std::wstring &backup) {
            return ++tries <= refusals ? sharingViolation : system(to, from, backup);
        };
        calls.wait = [](unsigned) {};
        const QString finished = folder.filePath(QStringLiteral("new.tmp"));
        writeAll(finished, "new");
        const unsigned long failed = win32::placeFile(native(target), native(finished), calls);
        QCOMPARE(failed != 0, refusals > tries);
        QCOMPARE(readAll(target), QByteArray(failed ? "old" : "new"));
        if (failed)
            QCOMPARE(failed, sharingViolation);
        // A failure leaves the finished file under its own name, for the save to take away.
        QCOMPARE(filesIn(folder.path()), failed ? QStringList({QStringLiteral("autoexec.cfg"), QStringLiteral("new.tmp")})
                                                : QStringList{QStringLiteral("autoexec.cfg")});
    }

    // Every documented failure of the replace leaves the old file or the new one under the target's
    // name, with the system's reason: the replace is faked failing as Windows documents each code
    // (1177 after moving the old file to the backup name), and the moves that mend it may fail too.
    void aFailedReplaceNeverLosesBoth_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("failingMoves"); // moves refused after the replace failed
        QTest::addColumn<QByteArray>("left");  // what the target holds after
        QTest::newRow("1175, replaced file held") << int(ERROR_UNABLE_TO_REMOVE_REPLACED) << 0 << QByteArray("old");
        QTest::newRow("1176, replacement not renamed") << int(ERROR_UNABLE_TO_MOVE_REPLACEMENT) << 0 << QByteArray("old");
        QTest::newRow("1177, old one put back") << int(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) << 0 << QByteArray("old");
        QTest::newRow("1177, new one in place") << int(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) << 1 << QByteArray("new");
        QTest::newRow("1177, neither can move") << int(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) << 2 << QByteArray();
    }
    void aFailedReplaceNeverLosesBoth()
    {
        QFETCH(int, code);
        QFETCH(int, failingMoves);
        QFETCH(QByteArray, left);
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("autoexec.cfg"));
        writeAll(target, "old");
        win32::PlaceCalls calls = win32::systemPlaceCalls();
        calls.replaceExisting = [&](const std::wstring &to, const std::wstring &, const std::wstring &backup) {
            if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
                MoveFileW(to.c_str(), backup.c_str());
            return DWORD(code);
        };
        int moves = 0;
        calls.moveNew = [&, system = calls.moveNew](const std::wstring &to, const std::wstring &from) {
            return ++moves <= failingMoves ? DWORD(ERROR_SHARING_VIOLATION) : system(to, from);
        };
        calls.wait = [](unsigned) {};
        const QString finished = folder.filePath(QStringLiteral("new.tmp"));
        writeAll(finished, "new");
        const unsigned long failed = win32::placeFile(native(target), native(finished), calls);
        QCOMPARE(failed != 0, left != "new");
        if (failed)
            QCOMPARE(failed, DWORD(code));
        if (left.isEmpty()) {
            // Neither could take the name: both stay, the old one under the name parkedName gives.
            QCOMPARE(readAll(finished), QByteArray("new"));
            QCOMPARE(QString::fromStdWString(win32::parkedName(native(finished))), QDir::toNativeSeparators(finished) + ".old");
            QCOMPARE(readAll(finished + QStringLiteral(".old")), QByteArray("old"));
        } else {
            QCOMPARE(readAll(target), left);
        }
    }

    // A read-only config, and the config in a folder the user may not write into (read-only as the
    // installation left it), refuse the save with their messages; the old file stays as it was and
    // nothing is left beside it.
    void refusedSavesKeepTheOldFile_data()
    {
        QTest::addColumn<bool>("oneClick");
        QTest::addColumn<bool>("readOnlyFile"); // else the read-only installation's folder
        QTest::newRow("one-click, read-only file") << true << true;
        QTest::newRow("dialog, read-only file") << false << true;
        QTest::newRow("dialog, folder the user may not write") << false << false;
    }
    void refusedSavesKeepTheOldFile()
    {
        QFETCH(bool, oneClick);
        QFETCH(bool, readOnlyFile);
        SystemFixture f;
        MadeFolders made{{QDir(f.machine.documents).filePath(QStringLiteral("ETLegacy"))}};
        f.create();
        QString target = oneClickFile(f.folders[1]);
        if (readOnlyFile) {
            QVERIFY(QDir().mkpath(f.folders[2]));
            target = oneClickFile(f.folders[2]);
            writeAll(target, "seta old \"1\"\r\n");
            QVERIFY(setReadOnly(target, true));
        }
        const QByteArray old = readAll(target);
        const QStringList before = filesIn(QFileInfo(target).path());

        if (oneClick)
            f.oneClick();
        else
            f.dialogSave(target);

        const QString error = f.desktop.takeOnly(Kind::Error);
        if (oneClick) {
            QCOMPARE(error, QStringLiteral("File access denied."));
        } else {
            const QString start = QStringLiteral("Cannot create file \"%1\". ").arg(QDir::toNativeSeparators(target));
            QVERIFY2(error.startsWith(start) && error.size() > start.size() + 1, qPrintable(error));
        }
        QCOMPARE(readAll(target), old);
        // Refused before anything is written: no copy either.
        QCOMPARE(filesIn(QFileInfo(target).path()), before);
        if (readOnlyFile)
            QVERIFY(setReadOnly(target, false));
    }

    // A config below the user's folder opens through the system's reader, whatever the characters
    // in its path, and saved back it is the same file.
    void configsOpenFromFoldersWithAnyName()
    {
        SystemFixture f;
        QTemporaryDir folder(QDir(f.machine.documents).filePath(QStringLiteral("Zoë ÆØÅ ĳ-XXXXXX")));
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("naïve.cfg"));
        const QByteArray bytes = "seta name \"Zo\xEB\"\r\nseta r_gamma \"1.3\"\r\n";
        writeAll(path, bytes);
        f.showActive();

        f.desktop.answerOpenDialog(path);
        QTest::keyClick(f.window.get(), Qt::Key_O, Qt::ControlModifier);

        QCOMPARE(f.machine.readAttempts, QStringList{path});
        QCOMPARE(f.edit("edtPlayerName")->text(), QStringLiteral("Zoë"));
        f.dialogSave(path);
        QCOMPARE(f.desktop.takeOnly(Kind::Message), QString::fromLatin1(savedMessage));
        QCOMPARE(readAll(path), bytes);
    }
};

QTEST_MAIN(TestWindowsDesktop)
#include "tst_windowsdesktop.moc"
