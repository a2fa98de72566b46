#include "script/generator.h"

#include <QTest>

using namespace brackwell;

namespace {

int indexOf(const QString &control)
{
    const int index = settingIndex(qPrintable(control));
    if (index < 0)
        qFatal("no setting row for %s", qPrintable(control));
    return index;
}

bool metered(int row)
{
    return settingRows[row].testCount > 0;
}

// Totals of the two bars (T in h = 1 - T) with only the given row on among the metered rows.
QPair<int, int> totalsOfOneRow(const QString &control, const QString &text, bool checked)
{
    GenerationInput input = defaultInput();
    const int row = indexOf(control);
    for (int i = 0; i < SettingCount; ++i)
        input.settings[std::size_t(i)].enabled = !metered(i) || i == row;
    SettingValue &value = input.settings[std::size_t(row)];
    value.text = text;
    value.checked = checked;
    const GenerationResult result = generate(input);
    [&] { QVERIFY2(result.ok(), qPrintable(result.error)); }();
    return {1 - result.meter.quality, 1 - result.meter.fps};
}

} // namespace

class TestMeter : public QObject
{
    Q_OBJECT

private slots:
    void initialSettingsGive214And106()
    {
        const GenerationResult result = generate(defaultInput());
        QCOMPARE(result.meter.quality, 1 - 214);
        QCOMPARE(result.meter.fps, 1 - 106);
    }

    void onlyMeteredRowsTouchTheBars()
    {
        QCOMPARE(QList<int>({3, 4, 6, 8, 9, 13, 14, 15, 16, 17, 18, 19, 20, 22, 23, 24, 25, 26, 27, 31}),
                 [] {
                     QList<int> rows;
                     for (int i = 0; i < SettingCount; ++i)
                         if (metered(i))
                             rows << i;
                     return rows;
                 }());
    }

    void everyTestOfARow_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("fps");
        auto add = [](const char *name, const char *control, const char *text, bool checked, int q, int f) {
            QTest::newRow(name) << control << text << checked << q << f;
        };
        add("sun on", "CBdrawsun", "", true, 8, 6);
        add("sun off", "CBdrawsun", "", false, 1, 4);
        add("dynamic light off", "CBdynamiclight", "", false, 1, 4);
        add("corona 0 passes two tests", "edtCorona", "0", false, 5, 0);
        add("corona 699", "edtCorona", "699", false, 4, 0);
        add("corona 700", "edtCorona", "700", false, 10, 0);
        add("corona -5", "edtCorona", "-5", false, 4, 0);
        add("brass 0", "edtBrass", "0", false, 6, 18);
        add("brass 1249", "edtBrass", "1249", false, 5, 8);
        add("brass 1250", "edtBrass", "1250", false, 10, 6);
        add("brass 1249.5", "edtBrass", "1249.5", false, 5, 8);
        add("gun hidden", "CBDrawGun", "", false, 3, 10);
        add("no atmosphere", "CBAtmospheric", "", false, 3, 10);
        add("sky hidden", "CBSky", "", false, 2, 10);
        add("no explosions", "CBParticles", "", false, 2, 12);
        add("no blood", "CBShowBlood", "", false, 2, 10);
        add("blood shown", "CBShowBlood", "", true, 10, 8);
        add("gibs on", "CBGibs", "", true, 12, 8);
        add("gibs off", "CBGibs", "", false, 3, 10);
        add("mark time 0", "CBMarkTime", "0", false, 9, 0);
        add("mark time 9000", "CBMarkTime", "9000", false, 8, 0);
        add("mark time 10000", "CBMarkTime", "10000", false, 15, 0);
        add("blood time 50 passes nothing", "CBBloodTime", "50", false, 0, 0);
        add("blood time 50.5 passes nothing", "CBBloodTime", "50.5", false, 0, 0);
        add("blood time 40", "CBBloodTime", "40", false, 8, 0);
        add("blood time 0", "CBBloodTime", "0", false, 9, 0);
        add("blood time 51", "CBBloodTime", "51", false, 15, 0);
        add("blood time 60", "CBBloodTime", "60", false, 15, 0);
        add("depth 24.0 counts as 24", "CBDepthBits", "24.0", false, 12, 6);
        add("depth 16", "CBDepthBits", "16", false, 5, 15);
        add("depth 32 matches nothing", "CBDepthBits", "32", false, 0, 0);
        add("colour bits 0", "CBColorBits", "0", false, 1, 24);
        add("colour bits 16", "CBColorBits", "16", false, 5, 12);
        add("detail off", "CBDetailTextures", "", false, 3, 10);
        add("lod 0", "CBLodBias", "0", false, 13, 12);
        add("lod 2", "CBLodBias", "2", false, 1, 4);
        add("lod 1.5", "CBLodBias", "1.5", false, 0, 0);
        add("picmip 0", "CBPicMip", "0", false, 17, 3);
        add("picmip 2", "CBPicMip", "2", false, 6, 10);
        add("picmip 3", "CBPicMip", "3", false, 2, 16);
        add("picmip 5 counts as at least 3", "CBPicMip", "5", false, 2, 16);
        add("picmip 2.5", "CBPicMip", "2.5", false, 0, 0);
        add("texture bits 16", "CBTextureBits", "16", false, 10, 8);
        add("texture bits 0", "CBTextureBits", "0", false, 4, 10);
        add("BiLinear", "CBTextureMode", "BiLinear", false, 4, 0);
        add("TriLinear", "CBTextureMode", "TriLinear", false, 15, 0);
        add("trilinear", "CBTextureMode", "trilinear", false, 0, 0);
        add("fps 43", "CBFPS2", "43", false, 0, 7);
        add("fps 72", "CBFPS2", "72", false, 0, 16);
        add("fps 125", "CBFPS2", "125", false, 0, 22);
        add("fps 100", "CBFPS2", "100", false, 0, 0);
        add("fps blank 125", "CBFPS2", " 125", false, 0, 0);
        add("fps 125.0 compares as text", "CBFPS2", "125.0", false, 0, 0);
    }

    void everyTestOfARow()
    {
        QFETCH(QString, control);
        QFETCH(QString, text);
        QFETCH(bool, checked);
        QFETCH(int, quality);
        QFETCH(int, fps);
        QCOMPARE(totalsOfOneRow(control, text, checked), qMakePair(quality, fps));
    }

    void switchedOffRowsAddNothing()
    {
        GenerationInput input = defaultInput();
        for (SettingValue &value : input.settings)
            value.enabled = false;
        const GenerationResult result = generate(input);
        QCOMPARE(result.meter.quality, 1);
        QCOMPARE(result.meter.fps, 1);
    }

    void largestTotalsWithListValues()
    {
        GenerationInput input = defaultInput();
        auto set = [&](const char *control, const char *text) {
            input.settings[std::size_t(indexOf(control))].text = text;
        };
        set("CBLodBias", "0");
        set("CBPicMip", "0");
        QCOMPARE(1 - generate(input).meter.quality, 225);
    }

    void aBadNumberKeepsTheStepsSoFar()
    {
        GenerationInput input = defaultInput();
        input.settings[std::size_t(indexOf("edtBrass"))].text = "abc";
        const GenerationResult result = generate(input);
        QVERIFY(!result.ok());
        QCOMPARE(1 - result.meter.quality, 26);
        QCOMPARE(1 - result.meter.fps, 12);
    }
};

QTEST_GUILESS_MAIN(TestMeter)
#include "tst_meter.moc"
