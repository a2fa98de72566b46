#include "settings/saving.h"

#include <QTest>

using namespace brackwell;

class TestSaving : public QObject
{
    Q_OBJECT

private slots:
    void oneClickTargetSitsBelowTheDriveRoot_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("target");
        const QString below = QStringLiteral("Program Files/Wolfenstein - Enemy Territory/etmain/autoexec.cfg");
        QTest::newRow("file system root") << "/" << "/" + below;
        QTest::newRow("drive") << "C:/" << "C:/" + below;
        QTest::newRow("folder without slash") << "/tmp/drive" << "/tmp/drive/" + below;
    }
    void oneClickTargetSitsBelowTheDriveRoot()
    {
        QFETCH(QString, root);
        QFETCH(QString, target);
        QCOMPARE(oneClickTarget(root), target);
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
