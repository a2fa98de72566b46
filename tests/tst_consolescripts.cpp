// The scripts Create Config writes, executed by the game's console (a dedicated server of the
// engine family, support/consolejudge.h): every variable must end up holding what the window
// said. Binds are not judged; that server has no bind command.
#include "keys/bindlines.h"
#include "settings/generator.h"
#include "support/consolejudge.h"
#include "support/randomstate.h"
#include "support/windowfixture.h"

#include <QPushButton>
#include <QTest>

using namespace brackwell;
using namespace brackwell::testing;

namespace {

// Fixed, so that a failure repeats exactly.
constexpr quint32 randomStart = 20261210;
constexpr int randomStates = 200;

// The variables the script blocks set, with their texts.
struct BlockVariable {
    const char *checkBox;
    const char *name;
    const char *text;
    bool archived; // written with seta rather than set
};
const BlockVariable blockVariables[] = {
    {"CBFovScript", "cg_fov", "110", true},
    {"CBFovScript", "shooton", "+attack;cg_fov 90;set vstr shootoff", false},
    {"CBFovScript", "shootoff", "-attack;cg_fov 110;set vstr shooton", false},
    {"CBClock", "clockon", "set b_drawclock 1; set clock vstr clockoff", false},
    {"CBClock", "clockoff", "set b_drawclock 0; set clock vstr clockon", false},
    {"CBClock", "clock", "vstr clockon", false},
    {"CBDemo", "demostart", "autorecord; set demor vstr demostop", false},
    {"CBDemo", "demostop", "stoprecord; set demor vstr demostart", false},
    {"CBDemo", "demor", "vstr demostart", false},
};

int blockIndex(const char *checkBox)
{
    for (int i = 0; i < ScriptCount; ++i) {
        if (qstrcmp(scriptBlocks[i].checkBox, checkBox) == 0)
            return i;
    }
    qFatal("no script block %s", checkBox);
}

// Case tables write "not set at all" as a null string.
std::optional<QString> heldOrNone(const QString &held)
{
    return held.isNull() ? std::nullopt : std::optional<QString>(held);
}

template <typename Case>
void addCaseRows(const QList<Case> &cases)
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < cases.size(); ++i)
        QTest::newRow(cases.at(i).tag) << i;
}

QString shown(const std::optional<QString> &value)
{
    return value ? '"' + *value + '"' : QString("(not set)");
}

GenerationInput everythingOff()
{
    GenerationInput input = defaultInput();
    for (SettingValue &value : input.settings)
        value.enabled = false;
    return input;
}

const QString extraName = "brackwell_extra";
const QString laterName = "brackwell_later";

// A console line holds 1023 characters; the rest of a longer one runs as a command of its own.
QString cutAtLineEnd(const QString &prefix, const QString &value)
{
    return value.left(1023 - prefix.size());
}

// A name and value typed into the extra variable boxes and added after Create Config with the
// defaults, then one more variable after it; and what the console holds.
struct CustomCase {
    const char *tag;
    QString name;
    QString typed;
    QString held;               // a null string: not set at all
    bool laterLineRuns = true;  // whether the added line after it still counts
    QString listedAs = {};      // the spelling the engine lists, when not the typed one
};

QList<CustomCase> customCases()
{
    const QString longValue(1100, 'n');
    return {
        {"a number", extraName, "100", "100"},
        {"a blank inside: the words are joined by one blank", extraName, "a b", "a b"},
        {"two blanks inside: one is left", extraName, "a  b", "a b"},
        {"a blank in front: dropped", extraName, " a", "a"},
        {"a double quote: splits the value", extraName, "a\"b", "a b"},
        {"quotes typed around the value: the whole value", extraName, "\"a b\"", "a b"},
        {"a semicolon: ends the command", extraName, "a;b", "a"},
        {"// : starts a comment", extraName, "x//y", "x"},
        {"/* : a comment over every later line", extraName, "x/*y", "x", false},
        {"/* first: the variable is not set at all", extraName, "/*x", QString(), false},
        {"8-bit letters: taken for blanks", extraName, QString::fromLatin1("\xE9t\xE9"), "t"},
        {"colour code", extraName, "^1red", "^1red"},
        {"a value longer than a console line: cut", extraName, longValue,
         cutAtLineEnd("seta " + extraName + ' ', longValue)},
        {"a catalogue variable in other capitals", "R_GAMMA", "2", "2", true, "r_gamma"},
    };
}

// A generated script with a text the random states leave out, and what the console holds.
struct OutsideCase {
    const char *tag;
    GenerationInput input;
    QString variable;
    QString held; // a null string: not set at all
};

GenerationInput withText(const char *control, const QString &text)
{
    GenerationInput input = defaultInput();
    input.settings[std::size_t(settingIndex(control))].text = text;
    return input;
}

QList<OutsideCase> outsideCases()
{
    const QString longName(1100, 'n');
    GenerationInput commentKey = everythingTicked();
    commentKey.scripts[std::size_t(blockIndex("CBFovScript"))].key = "mouse1/*";
    return {
        {"a double quote in the player name", withText("edtPlayerName", "a\"b"), "Name", "a b "},
        {"a double quote in the gamma box", withText("edtGamma", "1\"3"), "r_gamma", "1 3 "},
        {"a semicolon inside the quotes stays", withText("edtPlayerName", "a;b"), "Name", "a;b"},
        {"a value longer than a console line is cut", withText("edtPlayerName", longName), "Name",
         cutAtLineEnd("seta Name \"", longName)},
        {"/* in a key box: no later script variable is set", commentKey, "clockon", QString()},
    };
}

} // namespace

class TestConsoleScripts : public QObject
{
    Q_OBJECT

    struct State {
        QString name;
        GenerationInput input;
    };

    ConsoleJudge m_judge;
    QList<State> m_states;
    QList<ConsoleView> m_stateViews;
    const QList<CustomCase> m_customs = customCases();
    QList<ConsoleView> m_customViews;
    const QList<OutsideCase> m_outside = outsideCases();
    QList<ConsoleView> m_outsideViews;

    // The user's road, through the window.
    QString customScript(const CustomCase &c)
    {
        WindowFixture f;
        auto add = [&f](const QString &name, const QString &value) {
            typeText(f.edit("edtCustomInput"), name);
            typeText(f.edit("edtValue"), value);
            QTest::mouseClick(f.get<QPushButton>("btnAddCustom"), Qt::LeftButton);
        };
        QTest::mouseClick(f.get<QPushButton>("btnCreate"), Qt::LeftButton);
        add(c.name, c.typed);
        add(laterName, "1");
        return f.outputText();
    }

private slots:
    void initTestCase()
    {
        if (!m_judge.available())
            QFAIL(qPrintable(ConsoleJudge::missingEngineMessage()));
        QVERIFY2(m_judge.baseline().judged(), qPrintable(m_judge.baseline().failure()));

        m_states = {{"defaults", defaultInput()}, {"everything on", everythingTicked()}, {"every row off", everythingOff()}};
        RandomState random(randomStart);
        StateRules rules;
        rules.consoleSafe = true;
        rules.numericMeters = true;
        for (int i = 0; i < randomStates; ++i)
            m_states.append({QString("random %1").arg(i), random.input(rules)});

        // Everything goes through one batch of engine runs.
        QStringList texts;
        for (const State &state : m_states) {
            const GenerationResult result = generate(state.input);
            QVERIFY2(result.ok(), qPrintable(state.name + ": " + result.error));
            texts << result.text;
        }
        for (const CustomCase &c : m_customs)
            texts << customScript(c);
        for (const OutsideCase &c : m_outside)
            texts << generate(c.input).text;

        QList<ConsoleView> views = m_judge.judgeTexts(texts);
        QCOMPARE(views.size(), texts.size());
        m_stateViews = views.mid(0, m_states.size());
        m_customViews = views.mid(m_states.size(), m_customs.size());
        m_outsideViews = views.mid(m_states.size() + m_customs.size());
    }

    // Each switched-on row's variable holds what the window said; a switched-off row's variable
    // is as the engine had it; the script blocks' variables hold their texts exactly when ticked.
    void stateReachesTheConsole_data()
    {
        QTest::addColumn<int>("state");
        for (int i = 0; i < m_states.size(); ++i)
            QTest::newRow(qPrintable(m_states.at(i).name)) << i;
    }
    void stateReachesTheConsole()
    {
        QFETCH(int, state);
        const GenerationInput &input = m_states.at(state).input;
        const ConsoleView &view = m_stateViews.at(state);
        QVERIFY2(view.judged(), qPrintable(view.failure() + "\n" + view.log()));

        for (int i = 0; i < SettingCount; ++i) {
            const SettingRow &row = settingRows[i];
            const QString cvar = QString::fromLatin1(row.cvar);
            const std::optional<QString> meant = meantValue(row, input.settings[std::size_t(i)]);
            if (meant) {
                QVERIFY2(view.value(cvar) == meant, qPrintable(QString("%1: meant %2, the console holds %3")
                                                                   .arg(cvar, shown(meant), shown(view.value(cvar)))));
                QVERIFY2(view.variable(cvar)->flags.contains('A'), qPrintable(cvar + " is not archived"));
            } else {
                QVERIFY2(view.sameAs(m_judge.baseline(), cvar),
                         qPrintable(QString("%1 is off, yet the console holds %2").arg(cvar, shown(view.value(cvar)))));
            }
        }

        for (const BlockVariable &variable : blockVariables) {
            const bool ticked = input.scripts[std::size_t(blockIndex(variable.checkBox))].ticked;
            const std::optional<QString> held = view.value(variable.name);
            if (!ticked) {
                QVERIFY2(!held, qPrintable(QString("%1 holds %2 without its script").arg(variable.name, shown(held))));
                continue;
            }
            QVERIFY2(held == std::optional<QString>(variable.text),
                     qPrintable(QString("%1: meant \"%2\", the console holds %3").arg(variable.name, variable.text, shown(held))));
            QCOMPARE(view.variable(variable.name)->flags.contains('A'), variable.archived);
        }
    }

    // "Add Custom/Foreign CVAR" writes the value unquoted, so the console reads it word by word:
    // what it holds is not always what was typed. Each row records what it does.
    void customVariable_data() { addCaseRows(m_customs); }
    void customVariable()
    {
        QFETCH(int, index);
        const CustomCase &c = m_customs.at(index);
        const ConsoleView &view = m_customViews.at(index);
        QVERIFY2(view.judged(), qPrintable(view.failure()));
        const QString listedAs = c.listedAs.isEmpty() ? c.name : c.listedAs;
        const std::optional<QString> expected = heldOrNone(c.held);
        QCOMPARE(view.value(listedAs), expected);
        if (expected)
            QCOMPARE(view.variable(listedAs)->name, listedAs);
        QCOMPARE(view.value(laterName), c.laterLineRuns ? std::optional<QString>("1") : std::nullopt);
        // The window's own lines before the custom line are untouched by it.
        QCOMPARE(view.value("com_maxfps"), std::optional<QString>("54"));
    }

    // Texts the random states leave out, and what the console makes of them.
    void textsOutsideTheRandomRules_data() { addCaseRows(m_outside); }
    void textsOutsideTheRandomRules()
    {
        QFETCH(int, index);
        const OutsideCase &c = m_outside.at(index);
        const ConsoleView &view = m_outsideViews.at(index);
        QVERIFY2(view.judged(), qPrintable(view.failure()));
        QCOMPARE(view.value(c.variable), heldOrNone(c.held));
    }

    // One text cannot spoil another's report: what it set is gone for the next, a comment it
    // leaves open ends with it, and texts after one that ends the engine are not judged.
    void textsAreJudgedApart()
    {
        const QList<ConsoleView> views =
            m_judge.judge({"seta one 1\n/* open\n", "seta two 2\n", "seta three 3\nquit\n", "seta four 4\n"});
        QCOMPARE(views.size(), 4);
        QCOMPARE(views.at(0).value("one"), std::optional<QString>("1"));
        QVERIFY2(views.at(1).judged(), qPrintable(views.at(1).failure()));
        QCOMPARE(views.at(1).value("two"), std::optional<QString>("2"));
        QVERIFY(!views.at(1).contains("one"));
        QVERIFY(!views.at(2).judged());
        QVERIFY(!views.at(3).judged());
    }

    // Texts judged side by side in one engine run come out as each one alone, run the way the
    // game runs its autoexec.cfg.
    void batchedAsAlone()
    {
        for (int state : {0, 1, 3, 4}) {
            const ConsoleView alone = m_judge.judgeAlone(generate(m_states.at(state).input).text.toLatin1());
            QVERIFY2(alone.judged(), qPrintable(alone.failure()));
            const ConsoleView &batched = m_stateViews.at(state);
            QStringList names;
            for (const SettingRow &row : settingRows)
                names << row.cvar;
            for (const BlockVariable &variable : blockVariables)
                names << variable.name;
            for (const QString &name : names)
                QVERIFY2(alone.value(name) == batched.value(name),
                         qPrintable(QString("%1 %2: alone %3, batched %4")
                                        .arg(m_states.at(state).name, name, shown(alone.value(name)),
                                             shown(batched.value(name)))));
        }
    }
};

QTEST_MAIN(TestConsoleScripts)
#include "tst_consolescripts.moc"
