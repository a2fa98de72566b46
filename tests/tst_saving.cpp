#include "settings/saving.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <iterator>
#include <tuple>

using namespace brackwell;

Q_DECLARE_METATYPE(Platform)

class TestSaving : public QObject
{
    Q_OBJECT

private slots:
    void gameFoldersInTheOrderTheyAreTried_data()
    {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QStringList>("places"); // drive root, home, Documents
        QTest::addColumn<QStringList>("folders");
        const QString installed = QStringLiteral("Program Files/Wolfenstein - Enemy Territory/etmain");
        QTest::newRow("Linux") << Platform::Unix << QStringList{"/", "/home/u", "/home/u/Documents"}
                               << QStringList{"/" + installed, "/home/u/.etlegacy/legacy", "/home/u/.etlegacy/etmain",
                                              "/home/u/.etwolf/etmain"};
        QTest::newRow("Windows, Documents moved to another drive")
            << Platform::Windows << QStringList{"C:/", "C:/Users/u", "D:/Users/u/Documents"}
            << QStringList{"C:/" + installed, "D:/Users/u/Documents/ETLegacy/legacy",
                           "D:/Users/u/Documents/ETLegacy/etmain"};
        QTest::newRow("places without a final slash")
            << Platform::Unix << QStringList{"/tmp/drive", "/tmp/home/", "/tmp/docs"}
            << QStringList{"/tmp/drive/" + installed, "/tmp/home/.etlegacy/legacy", "/tmp/home/.etlegacy/etmain",
                           "/tmp/home/.etwolf/etmain"};
        QTest::newRow("Linux, no home folder known")
            << Platform::Unix << QStringList{"/", "", "/home/u/Documents"} << QStringList{"/" + installed};
        QTest::newRow("Windows, no Documents folder known")
            << Platform::Windows << QStringList{"C:/", "C:/Users/u", ""} << QStringList{"C:/" + installed};
    }
    void gameFoldersInTheOrderTheyAreTried()
    {
        QFETCH(Platform, platform);
        QFETCH(QStringList, places);
        QFETCH(QStringList, folders);
        QCOMPARE(gameFolderCandidates({places[0], places[1], places[2]}, platform), folders);
    }

    // Every candidate wins in turn while all later ones exist too; the earlier ones are missing or
    // files of that name.
    void firstExistingGameFolderWins_data()
    {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<int>("winner"); // -1: none
        QTest::addColumn<bool>("earlierAreFiles");
        for (const auto &[platform, name, count] : {std::tuple{Platform::Unix, "Linux", 4},
                                                    std::tuple{Platform::Windows, "Windows", 3}}) {
            for (int winner = 0; winner < count; ++winner)
                for (const bool files : {false, true})
                    if (winner > 0 || !files)
                        QTest::addRow("%s, folder %d wins%s", name, winner + 1, files ? ", files before it" : "")
                            << platform << winner << files;
            QTest::addRow("%s, none exists", name) << platform << -1 << false;
            QTest::addRow("%s, only files", name) << platform << -1 << true;
        }
    }
    void firstExistingGameFolderWins()
    {
        QFETCH(Platform, platform);
        QFETCH(int, winner);
        QFETCH(bool, earlierAreFiles);
        QTemporaryDir temp;
        const QStringList folders = gameFolderCandidates(
            {temp.filePath("drive"), temp.filePath("home"), temp.filePath("home/Documents")}, platform);
        const qsizetype firstFolder = winner < 0 ? folders.size() : winner;
        for (qsizetype i = 0; i < folders.size(); ++i) {
            if (i >= firstFolder) {
                QVERIFY(QDir().mkpath(folders[i]));
            } else if (earlierAreFiles) {
                QVERIFY(QDir().mkpath(QFileInfo(folders[i]).path()));
                QFile file(folders[i]);
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
        const std::optional<QString> chosen = firstExistingFolder(folders);
        QCOMPARE(chosen.value_or(QStringLiteral("none")), winner < 0 ? QStringLiteral("none") : folders[winner]);
    }

    void dialogNameGetsCfgOnlyWhenItLacksIt_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("bare name") << "/home/u/autoexec" << "/home/u/autoexec.cfg";
        QTest::newRow("already .cfg") << "/home/u/x.cfg" << "/home/u/x.cfg";
        QTest::newRow("capital .CFG") << "/home/u/X.CFG" << "/home/u/X.CFG";
        QTest::newRow("other suffix") << "/home/u/x.txt" << "/home/u/x.txt.cfg";
        QTest::newRow("cfg not at the end") << "/home/u/x.cfg.bak" << "/home/u/x.cfg.bak.cfg";
        QTest::newRow("folder named .cfg") << "/home/u/a.cfg/b" << "/home/u/a.cfg/b.cfg";
    }
    void dialogNameGetsCfgOnlyWhenItLacksIt()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(withConfigSuffix(chosen), written);
    }

    void textBecomesCrLfLatin1Bytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty box") << "" << QByteArray();
        QTest::newRow("generated lines") << "seta a \"1\"\nseta b \"2\"\n" << QByteArray("seta a \"1\"\r\nseta b \"2\"\r\n");
        QTest::newRow("CR LF stays one break") << "a\r\nb" << QByteArray("a\r\nb");
        QTest::newRow("lone CR") << "a\rb" << QByteArray("a\r\nb");
        QTest::newRow("Latin-1 letters") << QString::fromUtf8("Joué ÿ") << QByteArray("Jou\xE9 \xFF");
    }
    void textBecomesCrLfLatin1Bytes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const ScriptBytes script = encodeScript(text, QStringConverter::Latin1);
        QVERIFY2(script.ok(), qPrintable(script.error));
        QCOMPARE(script.bytes, bytes);
    }

    // The size the window measures a file by before it opens it is the size of the file the
    // one-click save then writes, the larger of the two saves.
    void savedFileSizeIsTheOneClickFileSize()
    {
        const QByteArray pieces[] = {"seta a 1", "\n", "\r", "\r\n", "\n\r", " ", "\xE9", "\"", ";"};
        QRandomGenerator random(20261208);
        for (int round = 0; round < 500; ++round) {
            QByteArray bytes;
            for (int n = int(random.bounded(12)); n > 0; --n)
                bytes += pieces[random.bounded(int(std::size(pieces)))];
            const QString text = QString::fromLatin1(bytes);
            const ScriptBytes script = encodeScript(oneClickText(text), QStringConverter::Latin1);
            QVERIFY2(savedFileSize(bytes) == script.bytes.size(), bytes.toPercentEncoding().constData());
        }
    }

    void characterOutsideTheSetIsNamedNotReplaced_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("first line")
            << QString::fromUtf8("seta Name \"ā\"")
            << QString::fromUtf8("The config file cannot hold the character \"ā\" (U+0101) on line 1");
        QTest::newRow("later line, first bad one named")
            << QString::fromUtf8("é ok\r\nline two\nprice €5 and ā")
            << QString::fromUtf8("The config file cannot hold the character \"€\" (U+20AC) on line 3");
        QTest::newRow("beyond the basic plane")
            << QString::fromUtf8("a\n😀")
            << QString::fromUtf8("The config file cannot hold the character \"😀\" (U+1F600) on line 2");
    }
    void characterOutsideTheSetIsNamedNotReplaced()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        const ScriptBytes script = encodeScript(text, QStringConverter::Latin1);
        QVERIFY(!script.ok());
        QCOMPARE(script.error, message);
        QVERIFY(script.bytes.isEmpty());
    }

    void failureMessages_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("systemError");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("oneClick");
        QTest::addColumn<QString>("dialog");
        const int create = int(WriteFailure::Stage::Create);
        const int write = int(WriteFailure::Stage::Write);
        const QString cannot = QStringLiteral("Cannot create file \"/d/x.cfg\". ");
        QTest::newRow("access denied, system full stop and blanks dropped")
            << create << 5 << 5 << "Access is denied.  \r\n" << "File access denied" << cannot + "Access is denied";
        QTest::newRow("disk full while writing") << write << 101 << 28 << "No space left on device" << "Disk full"
                                                 << "Stream write error";
        // The system's own number, even where it equals a code the one-click save names otherwise.
        QTest::newRow("unnamed error") << write << 0 << 5 << "Input/output error" << "I/O error 5"
                                       << "Stream write error";
    }
    void failureMessages()
    {
        QFETCH(int, stage);
        QFETCH(int, code);
        QFETCH(int, systemError);
        QFETCH(QString, description);
        QFETCH(QString, oneClick);
        QFETCH(QString, dialog);
        const WriteFailure failure{WriteFailure::Stage(stage), code, systemError, description};
        QCOMPARE(oneClickFailureMessage(failure), oneClick);
        QCOMPARE(dialogFailureMessage(QStringLiteral("/d/x.cfg"), failure), dialog);
    }
};

QTEST_GUILESS_MAIN(TestSaving)
#include "tst_saving.moc"
