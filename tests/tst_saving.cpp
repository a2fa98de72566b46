#include "document/filebytes.h"
#include "platform/gameconfigs.h"
#include "platform/gamefolders.h"
#include "document/linediff.h"
#include "platform/savemessages.h"
#include "document/textlines.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <iterator>
#include <utility>
#include <vector>

using namespace brackwell;

Q_DECLARE_METATYPE(Platform)

class TestSaving : public QObject
{
    Q_OBJECT

private slots:
    // The lines marked changed are the fewest: the others are a longest run of lines both texts
    // share in order (the textbook table's length, on random small texts); past the limit of
    // edits, everything between the first and last difference is marked.
    void changedLinesAreTheFewest()
    {
        QRandomGenerator random(20261208);
        for (int round = 0; round < 2000; ++round) {
            QStringList before, after;
            for (QStringList *text : {&before, &after})
                for (int i = int(random.bounded(12)); i > 0; --i)
                    *text << QString(QChar(u'a' + random.bounded(4)));
            std::vector<std::vector<int>> common(size_t(before.size() + 1), std::vector<int>(size_t(after.size() + 1)));
            for (qsizetype i = before.size() - 1; i >= 0; --i)
                for (qsizetype j = after.size() - 1; j >= 0; --j)
                    common[i][j] = before[i] == after[j] ? common[i + 1][j + 1] + 1
                                                         : std::max(common[i + 1][j], common[i][j + 1]);
            const QList<bool> changed = changedLines(before, after);
            qsizetype kept = 0, i = 0;
            for (qsizetype j = 0; j < after.size(); ++j) {
                while (!changed[j] && i < before.size() && before[i] != after[j])
                    ++i;
                kept += changed[j] ? 0 : int(i++ < before.size());
            }
            QVERIFY2(kept == common[0][0] && kept == changed.count(false), qPrintable(before.join(' ') + " / " + after.join(' ')));
        }
        QCOMPARE(changedLines({"a", "b", "c", "d", "e"}, {"a", "x", "c", "y", "e"}, 2),
                 QList<bool>({false, true, true, true, false}));
    }

    void gameFoldersInTheOrderTheyAreTried_data()
    {
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QStringList>("places"); // drive root, home, Documents
        QTest::addColumn<QStringList>("folders");
        const QString installed = QStringLiteral("Program Files/Wolfenstein - Enemy Territory/etmain");
        const QString flatpak = QStringLiteral(".var/app/com.etlegacy.ETLegacy/.etlegacy/");
        QTest::newRow("Linux") << Platform::Unix << QStringList{"/", "/home/u", "/home/u/Documents"}
                               << QStringList{"/" + installed, "/home/u/.etlegacy/legacy", "/home/u/.etlegacy/etmain",
                                              "/home/u/" + flatpak + "legacy", "/home/u/" + flatpak + "etmain",
                                              "/home/u/.etwolf/etmain"};
        const QString installed32 = QStringLiteral("Program Files (x86)/Wolfenstein - Enemy Territory/etmain");
        QTest::newRow("Windows, Documents moved to another drive")
            << Platform::Windows << QStringList{"C:/", "C:/Users/u", "D:/Users/u/Documents"}
            << QStringList{"C:/" + installed, "C:/" + installed32, "D:/Users/u/Documents/ETLegacy/legacy",
                           "D:/Users/u/Documents/ETLegacy/etmain"};
        QTest::newRow("places without a final slash")
            << Platform::Unix << QStringList{"/tmp/drive", "/tmp/home/", "/tmp/docs"}
            << QStringList{"/tmp/drive/" + installed, "/tmp/home/.etlegacy/legacy", "/tmp/home/.etlegacy/etmain",
                           "/tmp/home/" + flatpak + "legacy", "/tmp/home/" + flatpak + "etmain",
                           "/tmp/home/.etwolf/etmain"};
        QTest::newRow("Linux, no home folder known")
            << Platform::Unix << QStringList{"/", "", "/home/u/Documents"} << QStringList{"/" + installed};
        QTest::newRow("Windows, no Documents folder known")
            << Platform::Windows << QStringList{"C:/", "C:/Users/u", ""}
            << QStringList{"C:/" + installed, "C:/" + installed32};
    }
    void gameFoldersInTheOrderTheyAreTried()
    {
        QFETCH(Platform, platform);
        QFETCH(QStringList, places);
        QFETCH(QStringList, folders);
        QCOMPARE(gameFolderCandidates({places[0], places[1], places[2]}, platform), folders);
    }

    // Every mix of candidates that are missing, files of that name, folders, and folders that
    // refuse new files: the first real folder that takes files wins; when none does, the first
    // that refused is named.
    void firstWritableGameFolderWins()
    {
        enum State { Missing, File, Folder, Refusing, StateCount };
        for (const Platform platform : {Platform::Unix, Platform::Windows}) {
            QTemporaryDir temp;
            // Four candidates give every mix of states; more would only take longer.
            const QStringList folders = gameFolderCandidates(
                {temp.filePath("drive"), temp.filePath("home"), temp.filePath("home/Documents")}, platform).mid(0, 4);
            QCOMPARE(folders.size(), 4);
            int combinations = 1;
            for (int i = 0; i < folders.size(); ++i)
                combinations *= StateCount;
            for (int combination = 0; combination < combinations; ++combination) {
                QVERIFY(QDir(temp.path()).removeRecursively() && QDir().mkpath(temp.path()));
                QStringList refusing;
                qsizetype winner = -1, refused = -1;
                for (int i = 0, code = combination; i < folders.size(); ++i, code /= StateCount) {
                    const State state = State(code % StateCount);
                    if (state == File) {
                        QVERIFY(QDir().mkpath(QFileInfo(folders[i]).path()));
                        QFile file(folders[i]);
                        QVERIFY(file.open(QIODevice::WriteOnly));
                    } else if (state != Missing) {
                        QVERIFY(QDir().mkpath(folders[i]));
                    }
                    if (state == Refusing) {
                        refusing << folders[i];
                        if (refused < 0)
                            refused = i;
                    }
                    if (state == Folder && winner < 0)
                        winner = i;
                }
                const GameFolderChoice choice =
                    chooseGameFolder(folders, [&](const QString &folder) { return !refusing.contains(folder); });
                const QString tag = QStringLiteral("combination %1").arg(combination);
                QVERIFY2(choice.folder == (winner < 0 ? std::nullopt : std::optional(folders[winner])), qPrintable(tag));
                QVERIFY2(choice.refused == (winner < 0 && refused >= 0 ? folders[refused] : QString()), qPrintable(tag));
            }
        }
    }

    // A game folder's configs: each *.cfg at its top in any capitals and each profile's
    // etconfig.cfg, newest first, files of the same time by name; nothing deeper, no folder named
    // like a config, and no game folder that is missing or a file.
    void gameConfigsNewestFirst()
    {
        QTemporaryDir temp;
        const QString game = temp.filePath("legacy");
        const QDateTime now = QDateTime::currentDateTime();
        for (const auto &[name, age] : QList<std::pair<const char *, int>>{
                 {"autoexec.cfg", 50}, {"Mine.CFG", 5}, {"b.cfg", 50}, {"notes.txt", 1}, {"sub/x.cfg", 1},
                 {"profiles/p1/etconfig.cfg", 20}, {"profiles/p2/autoexec.cfg", 1}, {"profiles/etconfig.cfg", 1}, {"../etmain", 1}}) {
            QFile file(QDir(game).filePath(name));
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly) && file.write("a") && file.flush());
            QVERIFY(file.setFileTime(now.addSecs(-age), QFileDevice::FileModificationTime));
        }
        QVERIFY(QDir().mkpath(game + "/dir.cfg") && QDir().mkpath(game + "/profiles/p3/etconfig.cfg"));
        const QList<GameConfigPlace> places = gameConfigPlaces({temp.filePath("missing"), temp.filePath("etmain"), game});
        QCOMPARE(places.size(), 1);
        QStringList found;
        for (const GameConfigFile &file : places[0].files)
            found << QDir(places[0].folder).relativeFilePath(file.path) + u'|' + file.profile;
        QCOMPARE(found, QStringList({"Mine.CFG|", "profiles/p1/etconfig.cfg|p1", "autoexec.cfg|", "b.cfg|"}));
    }

    void profileNameAsTheGameShowsIt()
    {
        const QList<std::pair<QByteArray, QString>> cases = {
            {"\"^1Ann^7a\"", "Anna"}, {"\"^^1x\"", "^x"}, {"\"a^ b^\"", "a^ b^"}, {"\r\n Bob extra\n", "Bob"},
            {"\"Al", "Al"}, {"\"J\xC3\xB6rg\"", "J\u00F6rg"}, {"\"^1^2\"", "folder"}, {"", "folder"}};
        for (const auto &[dat, name] : cases)
            QCOMPARE(profileName(dat, "folder"), name);
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

    // The size the window measures a file by before it opens it: the file with CR LF line breaks
    // and its last line ended.
    void savedFileSizeIsTheOneClickFileSize()
    {
        const QByteArray pieces[] = {"seta a 1", "\n", "\r", "\r\n", "\n\r", " ", "\xE9", "\"", ";"};
        QRandomGenerator random(20261208);
        for (int round = 0; round < 500; ++round) {
            QByteArray bytes;
            for (int n = int(random.bounded(12)); n > 0; --n)
                bytes += pieces[random.bounded(int(std::size(pieces)))];
            const QString text = QString::fromLatin1(bytes);
            const bool ended = text.endsWith(u'\n') || text.endsWith(u'\r');
            const ScriptBytes script = encodeScript(ended ? text : text + u'\n', QStringConverter::Latin1);
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

    // Files of any bytes, read in a character set and saved again. On UTF-8, as on a system whose
    // set is UTF-8 or takes two bytes for some characters, bytes that cannot be read become U+FFFD.
    // Every line the box still holds as it was read is written with the bytes it was read from;
    // a typed line is written in the set; U+FFFD in a line that is not the file's is refused.
    void openedLinesKeepTheirBytes()
    {
        const QByteArray pieces[] = {"seta r_gamma \"1.3\"", "bind F7 \"say ", "caf\xE9", "\xC3\xA9t\xC3\xA9",
                                     "\xE2\x82", "\x81\x8D", "\xFF\xFE", "\xEF\xBB\xBF", "\xE9\"", " // ",
                                     "\x82\xA0", "\t", "\xC0\x80", "\xF0\x9F\x98\x80"};
        const QString typed = QString::fromUtf8("seta name \"Zoë\"");
        QRandomGenerator random(20261209);
        for (const QStringConverter::Encoding encoding : {QStringConverter::Utf8, QStringConverter::Latin1}) {
            for (int round = 0; round < 400; ++round) {
                QList<QByteArray> lines(1 + int(random.bounded(10)));
                for (QByteArray &line : lines) {
                    for (int n = int(random.bounded(5)); n > 0; --n)
                        line += pieces[random.bounded(int(std::size(pieces)))];
                }
                const QByteArray bytes = lines.join("\r\n");
                const QString text = QStringDecoder(encoding).decode(bytes);
                const OpenedLines opened(bytes, text, encoding);
                const QString tag = QStringLiteral("%1: %2").arg(round).arg(bytes.toPercentEncoding().constData());
                QVERIFY2(encodeScript(text, encoding, opened).bytes == bytes, qPrintable(tag));

                // One line typed over: only that line changes.
                QStringList boxLines = text.split(QStringLiteral("\r\n"));
                const int edited = int(random.bounded(int(boxLines.size())));
                const QString read = boxLines[edited];
                boxLines[edited] = typed;
                QList<QByteArray> expected = lines;
                expected[edited] = QStringEncoder(encoding).encode(typed);
                QVERIFY2(encodeScript(boxLines.join(u'\n'), encoding, opened).bytes == expected.join("\r\n"),
                         qPrintable(tag));

                // A line changed where reading lost bytes cannot be written without losing them.
                if (read.contains(QChar::ReplacementCharacter)) {
                    boxLines[edited] = read + u'x';
                    const ScriptBytes refused = encodeScript(boxLines.join(u'\n'), encoding, opened);
                    QVERIFY2(!refused.ok() && refused.error.contains(QStringLiteral("(U+FFFD) on line %1").arg(edited + 1)),
                             qPrintable(tag + " " + refused.error));
                }
            }
        }
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
        QCOMPARE(dialogFailureMessage(QStringLiteral("/d/x.cfg"), failure),
                 dialog.replace(QStringLiteral("/d/x.cfg"), QDir::toNativeSeparators(QStringLiteral("/d/x.cfg"))));
    }
};

QTEST_GUILESS_MAIN(TestSaving)
#include "tst_saving.moc"
