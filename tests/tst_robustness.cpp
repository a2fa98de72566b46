// Random text in every control, random rows switched off, random scripts and binds ticked, then
// "Create Config" and both add buttons, many times over. Whatever the input, the program must not
// crash and what it writes must follow the rules, checked here against a small model of them.
#include "support/randomstate.h"
#include "support/windowfixture.h"
#include "gui/meterbar.h"

#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

using namespace brackwell;

namespace {

// Fixed, so that a failure repeats exactly.
constexpr quint32 randomStart = 20261207;

QString normalised(QString text)
{
    text.replace("\r\n", "\n");
    text.replace(u'\r', u'\n');
    return text;
}

// The rules, written out plainly: the text and meter a pass must give for this input.
struct Expected {
    QString text;
    int quality = 1;
    int fps = 1;
    QString error;
};

Expected model(const GenerationInput &input, const QList<bool> &numeric)
{
    Expected e;
    auto line = [&](const QString &l) { e.text += l + "\r\n"; };
    if (input.unbindAll) {
        line({});
        line("UnbindAll");
    }
    for (int i = 0; i < SettingCount; ++i) {
        const SettingRow &row = settingRows[i];
        const SettingValue &v = input.settings[std::size_t(i)];
        if (!v.enabled)
            continue;
        const QString cvar = QString::fromLatin1(row.cvar);
        switch (row.shape) {
        case LineShape::Text: line("seta " + cvar + " \"" + v.text + "\""); break;
        case LineShape::OnOff: line("seta " + cvar + (v.checked ? " \"1\"" : " \"0\"")); break;
        case LineShape::OnOffInverted: line("seta " + cvar + (v.checked ? " \"0\"" : " \"1\"")); break;
        case LineShape::Mapped:
            if (v.text == "BiLinear")
                line("seta r_textureMode \"GL_LINEAR_MIPMAP_NEAREST\"");
            else if (v.text == "TriLinear")
                line("seta r_textureMode \"GL_LINEAR_MIPMAP_LINEAR\"");
            else
                continue;
            break;
        }
        if (meterReadsNumber(row) && !numeric.at(i)) {
            e.error = "'" + v.text + "' is not a valid floating point value";
            return e;
        }
        const double number = meterReadsNumber(row) ? v.text.trimmed().toDouble() : 0;
        for (int t = 0; t < row.testCount; ++t) {
            const MeterTest &test = row.tests[t];
            const bool passed = test.kind == TestKind::Checked      ? v.checked
                                : test.kind == TestKind::NotChecked ? !v.checked
                                : test.kind == TestKind::AtLeast    ? number >= test.number
                                : test.kind == TestKind::LessThan   ? number < test.number
                                : test.kind == TestKind::Equals     ? number == test.number
                                                                    : v.text == QLatin1StringView(test.text);
            if (passed) {
                e.quality -= test.quality;
                e.fps -= test.fps;
            }
        }
    }
    for (int i = 0; i < ScriptCount; ++i) {
        if (!input.scripts[std::size_t(i)].ticked)
            continue;
        line({});
        for (int l = 0; l < scriptBlocks[i].lineCount; ++l)
            line(QString::fromLatin1(scriptBlocks[i].lines[l]));
        line("bind " + input.scripts[std::size_t(i)].key + " " + QString::fromLatin1(scriptBlocks[i].quotedCommand));
    }
    for (int i = 0; i < ClassBindCount; ++i) {
        if (!input.classes[std::size_t(i)].ticked)
            continue;
        line({});
        line("bind " + input.classes[std::size_t(i)].key + " " + QString::fromLatin1(classBinds[i].quotedCommand));
    }
    return e;
}

} // namespace

class TestRobustness : public QObject
{
    Q_OBJECT

private slots:
    void randomUseKeepsEveryRule()
    {
        WindowFixture f;
        testing::RandomState random(randomStart);
        for (int round = 0; round < 300; ++round) {
            // Settings: random values, random rows switched off by their captions.
            QList<bool> numeric;
            const GenerationInput state = random.input({}, &numeric);
            f.setState(state);

            const GenerationInput input = f.window->readGenerationInput();
            const Expected expected = model(input, numeric);
            f.create();
            const QString failure = QString("round %1").arg(round);
            QVERIFY2(normalised(f.output()->toPlainText()) == normalised(expected.text), qPrintable(failure));
            QCOMPARE(generate(input).text, expected.text);
            QCOMPARE(f.get<MeterBar>("shpQuality")->signedHeight(), expected.quality);
            QCOMPARE(f.get<MeterBar>("shpFPS")->signedHeight(), expected.fps);
            if (expected.error.isEmpty())
                QVERIFY2(f.desktop.shown.isEmpty(), qPrintable(failure));
            else
                QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Error), expected.error + ".");

            addRandomLines(f, random);
        }
    }

private:
    // Both add buttons with random inputs: a line at the end when every needed input is there,
    // otherwise the message and nothing changed.
    void addRandomLines(WindowFixture &f, testing::RandomState &random)
    {
        for (int i = 0; i < 4; ++i) {
            const int type = random.below(4) - 1; // -1: no type chosen
            f.combo("CBTypeOfBind")->setCurrentIndex(type);
            struct {
                QString key, chat, voice;
            } const inputs{random.chance(20) ? QString() : random.text(),
                                    random.chance(20) ? QString() : random.text(),
                                    random.chance(20) ? QString() : random.text()};
            f.edit("edtKeyToBind")->setText(inputs.key);
            f.edit("edtBindInput")->setText(inputs.chat);
            f.combo("CBVSayInput")->setEditText(inputs.voice);
            const QString before = f.output()->toPlainText();
            f.get<QPushButton>("btnAddBind")->click();

            const bool needsChat = type == 0 || type == 2, needsVoice = type == 1 || type == 2;
            const bool complete = !inputs.key.isEmpty() && (!needsChat || !inputs.chat.isEmpty())
                                  && (!needsVoice || !inputs.voice.isEmpty());
            if (type < 0) {
                QCOMPARE(f.output()->toPlainText(), before);
                QVERIFY(f.desktop.shown.isEmpty());
            } else if (!complete || (needsChat && inputs.chat.contains(';'))) {
                QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Message),
                         !complete ? "Insufficient data entered"
                                   : "The say text holds \";\": the game would run what follows it as a command of its "
                                     "own. Take it out to add the bind.");
                QCOMPARE(f.output()->toPlainText(), before);
                QCOMPARE(f.edit("edtKeyToBind")->text(), inputs.key);
            } else {
                const QString line = type == 0   ? "bind " + inputs.key + " say " + inputs.chat
                                     : type == 1 ? "bind " + inputs.key + " " + inputs.voice
                                                 : "bind " + inputs.key + " \"" + inputs.voice + " " + inputs.chat + "\"";
                QVERIFY(normalised(f.output()->toPlainText()).endsWith(normalised(line + "\n")));
                QVERIFY(f.edit("edtKeyToBind")->text().isEmpty());
                QVERIFY(f.desktop.shown.isEmpty());
            }
        }
        const QString name = random.chance(20) ? QString() : random.text();
        const QString value = random.chance(20) ? QString() : random.text();
        f.edit("edtCustomInput")->setText(name);
        f.edit("edtValue")->setText(value);
        const QString before = f.output()->toPlainText();
        f.get<QPushButton>("btnAddCustom")->click();
        if (name.isEmpty() || value.isEmpty()) {
            QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Message), "Insufficient data entered");
            QCOMPARE(f.output()->toPlainText(), before);
        } else if (name.contains(';') || value.contains(';')) {
            QVERIFY(f.desktop.takeOnly(FakeDesktop::Kind::Message).startsWith(name.contains(';') ? "The variable's name holds \";\"" : "The value holds \";\""));
            QCOMPARE(f.output()->toPlainText(), before);
            QCOMPARE(f.edit("edtValue")->text(), value);
        } else {
            QVERIFY(normalised(f.output()->toPlainText()).endsWith(normalised("seta " + name + " " + value + "\n")));
            QVERIFY(f.desktop.shown.isEmpty());
        }
    }
};

QTEST_MAIN(TestRobustness)
#include "tst_robustness.moc"
