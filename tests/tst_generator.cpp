#include "script/generator.h"
#include "script/number.h"
#include "support/randomstate.h"

#include <QLocale>
#include <QTest>

#include <clocale>

using namespace brackwell;
using brackwell::testing::everythingTicked;

namespace {

const QStringList defaultLines = {
    "seta Name \"\"",
    "seta cg_ComplaintPopup \"1\"",
    "seta r_gamma \"1.3\"",
    "seta r_DrawSun \"1\"",
    "seta r_dynamicLight \"1\"",
    "seta r_mapoverbrightbits \"2\"",
    "seta cg_coronafardist \"1536\"",
    "seta cg_crosshairPulse \"1\"",
    "seta cg_brassTime \"2500\"",
    "seta cg_drawGun \"1\"",
    "seta cg_drawCrosshair \"1\"",
    "seta cg_crosshairColor \"White\"",
    "seta cg_crosshairColorAlt \"White\"",
    "seta cg_AtmosphericEffects \"1\"",
    "seta r_fastSky \"0\"",
    "seta cg_wolfparticles \"1\"",
    "seta cg_showblood \"1\"",
    "seta cg_gibs \"1\"",
    "seta cg_marktime \"20000\"",
    "seta cg_bloodTime \"120\"",
    "seta r_depthbits \"24\"",
    "seta r_Intensity \"1.0\"",
    "seta r_colorbits \"32\"",
    "seta r_detailtextures \"1\"",
    "seta r_lodbias \"1\"",
    "seta r_picmip \"1\"",
    "seta r_texturebits \"32\"",
    "seta r_textureMode \"GL_LINEAR_MIPMAP_LINEAR\"",
    "seta cl_allowDownload \"1\"",
    "seta cl_packetdup \"1\"",
    "seta com_hunkMegs \"56\"",
    "seta com_maxfps \"54\"",
    "seta m_filter \"0\"",
    "seta cl_maxpackets \"43\"",
    "seta cg_bobpitch \"0.002\"",
    "seta cg_bobroll \"0.002\"",
    "seta cg_bobup \"0.005\"",
    "seta cg_bobyaw \"0.002\"",
    "seta cg_runpitch \"0.002\"",
    "seta cg_runroll \"0.005\"",
};

int indexOf(const char *control)
{
    const int index = settingIndex(control);
    if (index < 0)
        qFatal("no setting row for %s", control);
    return index;
}

SettingValue &setting(GenerationInput &input, const char *control)
{
    return input.settings[std::size_t(indexOf(control))];
}

// The lines of a script text; fails the test when a line does not end in CR LF.
QStringList lines(const QString &text)
{
    if (text.isEmpty())
        return {};
    [&] { QVERIFY2(text.endsWith("\r\n"), "the last line must end in CR LF"); }();
    QStringList result = text.chopped(2).split("\r\n");
    for (const QString &line : std::as_const(result))
        [&] { QVERIFY2(!line.contains(u'\n') && !line.contains(u'\r'), "a lone line break"); }();
    return result;
}

} // namespace

class TestGenerator : public QObject
{
    Q_OBJECT

private slots:
    void defaultsGiveTheFortyLines()
    {
        const GenerationResult result = generate(defaultInput());
        QVERIFY(result.ok());
        QCOMPARE(lines(result.text), defaultLines);
    }

    void unbindAllComesFirstAfterAnEmptyLine()
    {
        GenerationInput input = defaultInput();
        input.unbindAll = true;
        const QStringList got = lines(generate(input).text);
        QCOMPARE(got.mid(0, 2), (QStringList{"", "UnbindAll"}));
        QCOMPARE(got.mid(2), defaultLines);
    }

    void switchedOffRowsLeaveExactlyTheirLine_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < SettingCount; ++i)
            QTest::newRow(settingRows[i].control) << i;
    }

    void switchedOffRowsLeaveExactlyTheirLine()
    {
        QFETCH(int, row);
        GenerationInput input = defaultInput();
        input.settings[std::size_t(row)].enabled = false;
        QStringList expected = defaultLines;
        expected.removeAt(row);
        QCOMPARE(lines(generate(input).text), expected);
    }

    void everythingSwitchedOffGivesNothing()
    {
        GenerationInput input = defaultInput();
        for (SettingValue &value : input.settings) {
            value.enabled = false;
            value.text = "not a number"; // never converted while off
        }
        const GenerationResult result = generate(input);
        QVERIFY(result.ok());
        QCOMPARE(result.text, QString());
    }

    void onOffLinesFollowTheTickAndSkyIsInverted()
    {
        GenerationInput input = defaultInput();
        for (SettingValue &value : input.settings)
            value.checked = !value.checked;
        const QStringList got = lines(generate(input).text);
        QVERIFY(got.contains("seta cg_ComplaintPopup \"0\""));
        QVERIFY(got.contains("seta r_fastSky \"1\""));
        QVERIFY(got.contains("seta m_filter \"1\""));
        QVERIFY(got.contains("seta cl_packetdup \"0\""));
    }

    void textureModeMapsOnlyTheTwoListTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("BiLinear") << "BiLinear" << "seta r_textureMode \"GL_LINEAR_MIPMAP_NEAREST\"";
        QTest::newRow("TriLinear") << "TriLinear" << "seta r_textureMode \"GL_LINEAR_MIPMAP_LINEAR\"";
        QTest::newRow("lower case") << "bilinear" << QString();
        QTest::newRow("trailing blank") << "TriLinear " << QString();
        QTest::newRow("empty") << "" << QString();
    }

    void textureModeMapsOnlyTheTwoListTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, line);
        GenerationInput input = defaultInput();
        setting(input, "CBTextureMode").text = text;
        const GenerationResult result = generate(input);
        QVERIFY(result.ok());
        const QStringList got = lines(result.text);
        const int row = indexOf("CBTextureMode");
        if (line.isEmpty()) {
            QCOMPARE(got.size(), SettingCount - 1);
            QCOMPARE(got.at(row), defaultLines.at(row + 1));
        } else {
            QCOMPARE(got.at(row), line);
        }
    }

    void valuesAreWrittenUnchanged_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("typed list value") << "7";
        QTest::newRow("double quotes") << "say \"hi\" ; quit";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Ärger ^1名前 \xF0\x9F\x98\x80");
        QTest::newRow("blanks") << "  padded  ";
        QTest::newRow("empty") << "";
        QTest::newRow("100000 characters") << QString(100000, u'x');
    }

    void valuesAreWrittenUnchanged()
    {
        QFETCH(QString, value);
        GenerationInput input = defaultInput();
        setting(input, "edtPlayerName").text = value;
        setting(input, "CBC2").text = value;
        input.scripts[0] = {true, value};
        input.classes[11] = {true, value};
        const GenerationResult result = generate(input);
        QVERIFY(result.ok());
        const QStringList got = lines(result.text);
        QCOMPARE(got.at(0), "seta Name \"" + value + "\"");
        QCOMPARE(got.at(indexOf("CBC2")), "seta cg_crosshairColorAlt \"" + value + "\"");
        QVERIFY(got.contains("bind " + value + " \"+vstr shooton shootoff\""));
        QCOMPARE(got.last(), "bind " + value + " \"class c 3; echo Cov. Op. - Silenced Rifle;\"");
    }

    void scriptBlocksInTheirOrderEachAfterAnEmptyLine()
    {
        GenerationInput input = defaultInput();
        for (KeyedTick &script : input.scripts)
            script.ticked = true;
        const QStringList got = lines(generate(input).text).mid(SettingCount);
        const QString akimbo = "bind H \"" + QString("+attack; -attack; ").repeated(10) + "wait 1;\"";
        QCOMPARE(akimbo.size() - QString("bind H ").size(), 189);
        const QStringList expected = {
            "",
            "//FOV-Fixed Shooting Script",
            "seta cg_fov \"110\"",
            "set shooton \"+attack;cg_fov 90;set vstr shootoff\"",
            "set shootoff \"-attack;cg_fov 110;set vstr shooton\"",
            "bind mouse1 \"+vstr shooton shootoff\"",
            "",
            "//Clock Script",
            "//By pressing this key you can enable/disable the clock in your HUD.",
            "set clockon \"set b_drawclock 1; set clock vstr clockoff\"",
            "set clockoff \"set b_drawclock 0; set clock vstr clockon\"",
            "set clock \"vstr clockon\"",
            "bind F9 \"vstr clock\"",
            "",
            "//Rapid Akimbo script",
            "//Press a key and your akimbo pistols will fire very rapidly",
            akimbo,
            "",
            "//Demo record Script",
            "//By pressing this key you can toggle a demo ON/OFF",
            "set demostart \"autorecord; set demor vstr demostop\"",
            "set demostop \"stoprecord; set demor vstr demostart\"",
            "set demor \"vstr demostart\"",
            "bind F8 \"vstr demor\"",
        };
        QCOMPARE(got, expected);
    }

    void classBindsInTableOrderWithEmptyKeysKept()
    {
        GenerationInput input = defaultInput();
        input.classes[0] = {true, QString()};
        input.classes[5].ticked = true;
        input.classes[9].ticked = true;
        const QStringList got = lines(generate(input).text).mid(SettingCount);
        const QStringList expected = {
            "", "bind  \"class s 1; echo Soldier - SMG;\"",
            "", "bind kp_5 \"class m 1; echo Medic - SMG;\"",
            "", "bind kp_pgup \"class c 1; echo Cov. Op. - Sten;\"",
        };
        QCOMPARE(got, expected);
    }

    void everythingOnGivesNinetyLines()
    {
        const GenerationResult result = generate(everythingTicked());
        QVERIFY(result.ok());
        QCOMPARE(lines(result.text).size(), 90);
        QCOMPARE(result.text.count("\r\n"), 90);
    }

    void aBadNumberStopsThePassAfterItsLine_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("lastLine");
        QTest::addColumn<QString>("message");
        QTest::newRow("abc corona") << "edtCorona" << "abc" << "seta cg_coronafardist \"abc\""
                                    << "'abc' is not a valid floating point value";
        QTest::newRow("empty brass") << "edtBrass" << "" << "seta cg_brassTime \"\""
                                     << "'' is not a valid floating point value";
        QTest::newRow("comma in picmip") << "CBPicMip" << "1,5" << "seta r_picmip \"1,5\""
                                         << "'1,5' is not a valid floating point value";
        QTest::newRow("last metered row") << "CBTextureBits" << "32bit" << "seta r_texturebits \"32bit\""
                                          << "'32bit' is not a valid floating point value";
    }

    void aBadNumberStopsThePassAfterItsLine()
    {
        QFETCH(QString, control);
        QFETCH(QString, text);
        QFETCH(QString, lastLine);
        QFETCH(QString, message);
        GenerationInput input = everythingTicked();
        setting(input, qPrintable(control)).text = text;
        const GenerationResult result = generate(input);
        QCOMPARE(result.error, message);
        const QStringList got = lines(result.text);
        const int row = indexOf(qPrintable(control));
        QCOMPARE(got.size(), 2 + row + 1);
        QCOMPARE(got.last(), lastLine);
    }

    void aBadNumberInASwitchedOffRowDoesNoHarm()
    {
        GenerationInput input = defaultInput();
        setting(input, "edtCorona") = {false, false, "abc"};
        const GenerationResult result = generate(input);
        QVERIFY(result.ok());
        QCOMPARE(lines(result.text).size(), SettingCount - 1);
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "1536" << true << 1536.0;
        QTest::newRow("fraction") << "0.002" << true << 0.002;
        QTest::newRow("24.0") << "24.0" << true << 24.0;
        QTest::newRow("leading dot") << ".5" << true << 0.5;
        QTest::newRow("trailing dot") << "5." << true << 5.0;
        QTest::newRow("signs") << "-3" << true << -3.0;
        QTest::newRow("plus") << "+3" << true << 3.0;
        QTest::newRow("exponent") << "1e4" << true << 10000.0;
        QTest::newRow("blanks around") << " \t12 " << true << 12.0;
        QTest::newRow("long zeros") << QString(5000, u'0') + "7" << true << 7.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank") << "  " << false << 0.0;
        QTest::newRow("comma") << "1,5" << false << 0.0;
        QTest::newRow("text") << "abc" << false << 0.0;
        QTest::newRow("trailing text") << "12px" << false << 0.0;
        QTest::newRow("inner blank") << "1 2" << false << 0.0;
        QTest::newRow("dot only") << "." << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
        QTest::newRow("bare exponent") << "1e" << false << 0.0;
        QTest::newRow("double sign") << "+-1" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
        QTest::newRow("arabic digits") << QString::fromUtf8("\u0661\u0662") << false << 0.0;
    }

    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const std::optional<double> got = parseNumber(text);
        QCOMPARE(got.has_value(), valid);
        if (valid)
            QCOMPARE(*got, value);
    }

    void numbersIgnoreTheUsersLocale()
    {
        // A decimal comma locale must not change what counts as a number.
        const char *previous = std::setlocale(LC_ALL, nullptr);
        const std::string saved = previous ? previous : "C";
        std::setlocale(LC_ALL, "de_DE.UTF-8");
        QLocale::setDefault(QLocale(QLocale::German));
        QCOMPARE(parseNumber(u"1.5"), std::optional<double>(1.5));
        QCOMPARE(parseNumber(u"1,5"), std::optional<double>());
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_ALL, saved.c_str());
    }
};

QTEST_GUILESS_MAIN(TestGenerator)
#include "tst_generator.moc"
