// Reading a config file back into a window state, without a window: the generator's own output
// comes back byte for byte, and files written by hand give the state the game would give.
#include "settings/configreader.h"
#include "settings/saving.h"
#include "support/randomstate.h"

#include <QTest>

using namespace brackwell;

namespace {

constexpr quint32 randomStart = 20261208;

// A state as a sorted list of what it holds beyond "everything off, nothing ticked":
// "edtGamma=1.5" (a check box row: =1 checked, =0 not), "CBClock:F10" (ticked, key), "CBUnBindAll".
QStringList held(const GenerationInput &input)
{
    QStringList items;
    for (int i = 0; i < SettingCount; ++i) {
        const SettingValue &value = input.settings[std::size_t(i)];
        if (!value.enabled)
            continue;
        const bool check = settingRows[i].kind == ControlKind::Check;
        items << QString::fromLatin1(settingRows[i].control) + u'='
                     + (check ? QString::number(int(value.checked)) : value.text);
    }
    if (input.unbindAll)
        items << QString::fromLatin1(unbindAllCheckBox);
    for (int i = 0; i < ScriptCount; ++i) {
        if (input.scripts[std::size_t(i)].ticked)
            items << QString::fromLatin1(scriptBlocks[i].checkBox) + u':' + input.scripts[std::size_t(i)].key;
    }
    for (int i = 0; i < ClassBindCount; ++i) {
        if (input.classes[std::size_t(i)].ticked)
            items << QString::fromLatin1(classBinds[i].checkBox) + u':' + input.classes[std::size_t(i)].key;
    }
    items.sort();
    return items;
}

QList<int> numbers(const QList<FileLine> &lines)
{
    QList<int> result;
    for (const FileLine &line : lines)
        result << line.number;
    return result;
}

// The script block's lines as the generator writes them, with `key` on its bind line.
QString block(int index, const QString &key)
{
    QString text;
    for (int l = 0; l < scriptBlocks[index].lineCount; ++l)
        text += QLatin1StringView(scriptBlocks[index].lines[l]) + u'\n';
    return text + "bind " + key + u' ' + QLatin1StringView(scriptBlocks[index].quotedCommand) + u'\n';
}

const QString smg = QStringLiteral("\"class s 1; echo Soldier - SMG;\"");

} // namespace

class TestConfigReader : public QObject
{
    Q_OBJECT

private:
    // Generated text, written as the file's bytes and read back, generates the same text again:
    // the same bytes and the same bars, and nothing is listed.
    void roundTrip(const GenerationInput &input, const QString &what)
    {
        const GenerationResult first = generate(input);
        QVERIFY2(first.ok(), qPrintable(what));
        const ScriptBytes bytes = encodeScript(first.text, QStringConverter::Latin1);
        QVERIFY2(bytes.ok(), qPrintable(what));
        const ConfigRead read = readConfig(configFileText(bytes.bytes, QStringConverter::Latin1));
        const GenerationResult second = generate(read.input);
        QVERIFY2(second.text == first.text, qPrintable(what + "\n" + first.text + "\n---\n" + second.text));
        QCOMPARE(second.meter.quality, first.meter.quality);
        QCOMPARE(second.meter.fps, first.meter.fps);
        QVERIFY2(read.unheld.isEmpty(), qPrintable(what + ": line " + QString::number(read.unheld.value(0).number)));
        QVERIFY(read.notNumbers.isEmpty());
    }

private slots:
    void generatedTextComesBackWhole()
    {
        roundTrip(defaultInput(), "defaults");
        roundTrip(testing::allOff(), "every row off");
        roundTrip(testing::everythingTicked(), "everything ticked");

        testing::RandomState random(randomStart);
        for (int round = 0; round < 500 && !QTest::currentTestFailed(); ++round)
            roundTrip(random.input({true, true, true}), QString("round %1").arg(round));
    }

    void handWrittenFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("state");
        QTest::addColumn<QList<int>>("unheld");

        using L = QList<int>;
        const QStringList gamma = {"edtGamma=1.5"};
        QTest::newRow("empty file") << "" << QStringList() << L();
        QTest::newRow("blank lines, CR LF") << "\r\n  \r\nseta r_gamma \"1.5\"\r\n\r\n" << gamma << L();
        QTest::newRow("no quotes") << "seta r_gamma 1.5" << gamma << L();
        QTest::newRow("set for seta") << "set r_gamma 1.5\n" << gamma << L();
        QTest::newRow("extra blanks and tabs") << "  seta\t r_gamma   \"1.5\"  \t\n" << gamma << L();
        QTest::newRow("upper-case names") << "SETA R_GAMMA 1.5\nSeta NAME \"^1Bob\"\n"
                                          << QStringList{"edtGamma=1.5", "edtPlayerName=^1Bob"} << L();
        QTest::newRow("LF only") << "seta r_gamma 1.5\nseta cg_gibs 0\n" << QStringList{"CBGibs=0", "edtGamma=1.5"}
                                 << L();
        QTest::newRow("CR only") << "seta r_gamma 1.5\rseta cg_gibs 0\r" << QStringList{"CBGibs=0", "edtGamma=1.5"}
                                 << L();
        QTest::newRow("joined by ;") << "seta r_gamma 1.5; seta cg_gibs \"0\";" << QStringList{"CBGibs=0", "edtGamma=1.5"}
                                     << L();
        QTest::newRow("; and // inside quotes") << "seta Name \"a;b // c\"" << QStringList{"edtPlayerName=a;b // c"}
                                                << L();
        QTest::newRow("empty value") << "seta Name \"\"" << QStringList{"edtPlayerName="} << L();
        QTest::newRow("link stays one word") << "seta Name http://x.y" << QStringList{"edtPlayerName=http://x.y"}
                                             << L();
        QTest::newRow("comment line") << "// my config\nseta r_gamma 1.5" << gamma << L{1};
        QTest::newRow("comment after a setting") << "seta r_gamma 1.5 // brighter" << gamma << L{1};
        QTest::newRow("commented-out setting") << "//seta r_gamma 1.5\n" << QStringList() << L{1};
        QTest::newRow("; inside a comment") << "// note; seta r_gamma 1.5" << QStringList() << L{1};
        QTest::newRow("the last one wins") << "seta r_gamma 1.2\nseta R_Gamma 1.5\n" << gamma << L();
        QTest::newRow("last one unholdable") << "seta r_DrawSun 1\nseta r_drawsun 2\n" << QStringList() << L{2};
        QTest::newRow("check box 2") << "seta cg_gibs 2" << QStringList() << L{1};
        QTest::newRow("check box 1.0") << "seta cg_gibs 1.0" << QStringList() << L{1};
        QTest::newRow("sky inverted") << "seta r_fastSky 1\nseta cg_gibs 1" << QStringList{"CBGibs=1", "CBSky=0"}
                                      << L();
        QTest::newRow("texture mode bilinear") << "seta r_textureMode GL_LINEAR_MIPMAP_NEAREST"
                                               << QStringList{"CBTextureMode=BiLinear"} << L();
        QTest::newRow("texture mode trilinear") << "seta r_texturemode \"GL_LINEAR_MIPMAP_LINEAR\""
                                                << QStringList{"CBTextureMode=TriLinear"} << L();
        QTest::newRow("unknown texture mode") << "seta r_textureMode GL_NEAREST" << QStringList() << L{1};
        QTest::newRow("two words unquoted") << "seta Name two words" << QStringList() << L{1};
        QTest::newRow("no value") << "seta r_gamma" << QStringList() << L{1};
        QTest::newRow("other variable") << "seta cg_fov 100\nseta r_gamma 1.5" << gamma << L{1};
        QTest::newRow("unknown command") << "vid_restart" << QStringList() << L{1};
        QTest::newRow("unbindall") << "unbindall\n" << QStringList{"CBUnBindAll"} << L();
        QTest::newRow("UNBINDALL") << "UNBINDALL\n" << QStringList{"CBUnBindAll"} << L();
        QTest::newRow("class bind") << "bind kp_ins " + smg << QStringList{"Ssmg:kp_ins"} << L();
        QTest::newRow("class bind, key quoted") << "BIND \"x\" " + smg << QStringList{"Ssmg:x"} << L();
        QTest::newRow("class bind, other text") << "bind x \"class s 1\"" << QStringList() << L{1};
        QTest::newRow("class bind, key with a blank") << "bind \"a b\" " + smg << QStringList() << L{1};
        QTest::newRow("class bind twice") << "bind x " + smg + "\nbind y " + smg << QStringList{"Ssmg:y"} << L{1};
        QTest::newRow("unbindall after a bind") << "bind x " + smg + "\nunbindall" << QStringList{"Ssmg:x"} << L{2};
        QTest::newRow("free bind") << "bind k say hello there" << QStringList() << L{1};
        QTest::newRow("clock block") << "\n" + block(1, "F10") << QStringList{"CBClock:F10"} << L();
        QTest::newRow("block with blank lines and blanks")
            << QString(block(3, "F7")).replace("\n", "  \n\n") << QStringList{"CBDemo:F7"} << L();
        QTest::newRow("block without its bind") << block(1, "F10").section(u'\n', 0, -3) << QStringList()
                                                << L{1, 2, 3, 4, 5};
        QTest::newRow("block with a line missing") << block(3, "F8").remove("set demor \"vstr demostart\"\n")
                                                   << QStringList() << L{1, 2, 3, 4, 5};
        QTest::newRow("bind line alone") << "bind F9 \"vstr clock\"" << QStringList() << L{1};
        QTest::newRow("unbalanced quote") << "seta Name \"Bob\nseta r_gamma 1.5"
                                          << QStringList{"edtGamma=1.5", "edtPlayerName=Bob"} << L();
        QTest::newRow("non-ASCII quoted") << "seta Name \"J\u00f6rg\"" << QStringList{"edtPlayerName=J\u00f6rg"} << L();
        QTest::newRow("non-ASCII unquoted") << "seta Name J\u00f6rg" << QStringList() << L{1};
        QTest::newRow("byte order mark") << "\u00ef\u00bb\u00bfseta r_gamma 1.5" << gamma << L();
        QTest::newRow("star comment on one line") << "/* x */ seta r_gamma 1.5" << QStringList() << L{1};
        QTest::newRow("star comment over lines") << "/*\nseta r_gamma 1.5\n*/\nseta cg_gibs 0"
                                                 << QStringList{"CBGibs=0"} << L{1, 2, 3};
        QTest::newRow("NUL byte") << QString("seta r_gamma 1.5\n") + QChar(0) + "\nseta cg_gibs 0" << gamma << L{2, 3};
        QTest::newRow("not a number") << "seta cg_brassTime abc" << QStringList{"edtBrass=abc"} << L();
    }

    void handWrittenFiles()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, state);
        QFETCH(QList<int>, unheld);
        const ConfigRead read = readConfig(file);
        QCOMPARE(held(read.input), state);
        QCOMPARE(numbers(read.unheld), unheld);
    }

    void rowsNotSetKeepTheirDefaults()
    {
        const ConfigRead read = readConfig(u"seta cg_gibs 2\nbind x \"vstr clock\"\n");
        const GenerationInput defaults = defaultInput();
        for (int i = 0; i < SettingCount; ++i) {
            QCOMPARE(read.input.settings[std::size_t(i)].text, defaults.settings[std::size_t(i)].text);
            QCOMPARE(read.input.settings[std::size_t(i)].checked, defaults.settings[std::size_t(i)].checked);
        }
        for (int i = 0; i < ScriptCount; ++i)
            QCOMPARE(read.input.scripts[std::size_t(i)].key, defaults.scripts[std::size_t(i)].key);
    }

    void everyByteIsOneCharacter()
    {
        QByteArray bytes;
        for (int b = 0; b < 256; ++b)
            bytes += char(b);
        const QString text = configFileText(bytes, QStringConverter::Latin1);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0xE9), QChar(0xE9));
    }

    void reportListsTwentyLinesAndCountsTheRest()
    {
        QString file;
        for (int i = 1; i <= 25; ++i)
            file += QString("bind %1 say line %1\r\n").arg(i);
        const QString report = openReport(readConfig(file));
        QVERIFY(report.contains("line 1: bind 1 say line 1\n"));
        QVERIFY(report.contains("line 20: bind 20 say line 20\n"));
        QVERIFY(!report.contains("line 21:"));
        QVERIFY(report.contains("... and 5 more lines"));
        QVERIFY(report.contains("\"Create Config\" builds the script from the window alone"));
        QVERIFY(report.contains("\"Extra Binds/Other CVARs\""));
    }

    void reportShowsOddLinesReadably()
    {
        const QString file = QString("say ") + QChar(1) + "x\tz\n" + QString(500, u'a') + "\n";
        const QString report = openReport(readConfig(file));
        QVERIFY(report.contains("line 1: say ?x z\n"));
        QVERIFY(report.contains("line 2: " + QString(80, u'a') + "...\n"));
    }

    void reportNamesValuesThatAreNoNumbers()
    {
        const ConfigRead read = readConfig(u"seta cg_brassTime abc\r\nseta cg_coronafardist 700\r\n");
        QCOMPARE(read.notNumbers.size(), 1);
        QCOMPARE(read.notNumbers[0].line.number, 1);
        const QString report = openReport(read);
        QVERIFY(report.contains("Brass Time (line 1): 'abc'"));
        QVERIFY(!report.contains("cannot hold"));
        QVERIFY(openReport(readConfig(u"seta cg_brassTime 5\r\n")).isEmpty());
    }

    void failureMessages()
    {
        QCOMPARE(cannotOpenMessage("/x/a.cfg", "Permission denied. "), "Cannot open file \"/x/a.cfg\". Permission denied");
        QVERIFY(tooLargeMessage("/x/a.cfg").contains("too large for a config script"));
    }
};

QTEST_APPLESS_MAIN(TestConfigReader)
#include "tst_configreader.moc"
