// The scripts Create Config writes, executed by the game's console (the game's own engine, or a
// cousin that knows no binds, support/consolejudge.h): every variable must end up holding what
// the window said, every key the window bound runs what it meant, and the output box's marks
// follow what the console does.
#include "console/consolecommands.h"
#include "script/bindlines.h"
#include "marks/consolemarks.h"
#include "script/generator.h"
#include "support/consolejudge.h"
#include "support/randomstate.h"
#include "support/windowfixture.h"

#include <QPushButton>
#include <QTest>

#include <utility>

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
    QString legacyHeld = {};    // what ET: Legacy holds where it differs from ioq3ded
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
        {"a semicolon: refused, nothing added", extraName, "a;b", QString()},
        {"// : starts a comment", extraName, "x//y", "x"},
        {"/* : a comment over every later line", extraName, "x/*y", "x", false},
        {"/* first: the variable is not set at all", extraName, "/*x", QString(), false},
        // ET: Legacy reads a byte 0xC2 to 0xF4 inside a word as the start of a UTF-8 letter and
        // takes the bytes after it in, whatever they are.
        {"8-bit letters: the first taken for a blank, a later one ends the word or takes two bytes in",
         extraName, QString::fromLatin1("\xE9t\xE9 x"), "t x", true, {}, QString::fromLatin1("t\xE9 x")},
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

// ---------------------------------------------------------------------------------------------
// The output box's marks. Each line of a random box says what the window meant it to do; the
// engine's listing (and its log, for typed `echo` lines) shows what the console made of it.

constexpr quint32 markStart = 20261216;
constexpr quint32 leftoverStart = 20261208;
constexpr int markStates = 250;

struct MeantLine {
    enum Kind {
        Unseen,   // nothing the listing shows: blank lines, comments, UnbindAll
        Variable, // `name` is to hold `value`
        Bind,     // key `name` is to run `words`
        Echo,     // `echo @n@ ...` typed into the box: is to print `words` (none: it is a comment)
    };
    Kind kind = Unseen;
    QString name;
    QString value;
    QStringList words;
};

struct MarkState {
    QString text; // the output box's text
    QList<MeantLine> meant;
};

const QStringList voiceEntries = {"\"vsay Medic\"", "\"vsay_team NeedAmmo\"", "\"vsay Hi\""};

// A key or variable name the line's words tell apart from what follows it; a key the engine can
// also hold as a variable's name.
QString oneWord(QString text)
{
    text.removeIf([](QChar c) { return c.unicode() <= u' ' || c == u'"'; });
    return text;
}
QString keyWord(const QString &text)
{
    return oneWord(text).remove(u'\\');
}

QString nonEmpty(const QString &text)
{
    return text.isEmpty() ? QString("x") : text;
}

// Keys the game tells apart, under one of their names each.
QStringList distinctKeys()
{
    QStringList keys = {"MOUSE1", "MOUSE2", "MOUSE3", "MOUSE4", "MOUSE5", "MWHEELUP", "MWHEELDOWN", "TAB", "ENTER",
                        "SPACE", "BACKSPACE", "SEMICOLON", "0x41", "LEFTALT", "RIGHTCTRL", "SHIFT", "PGUP", "PGDN",
                        "INS", "DEL", "HOME", "END", "UPARROW", "KP_HOME", "KP_UPARROW", "KP_PGUP", "KP_LEFTARROW",
                        "KP_5", "KP_RIGHTARROW", "KP_END", "KP_DOWNARROW", "KP_PGDN", "KP_ENTER", "KP_INS", "KP_DEL",
                        "KP_SLASH", "KP_MINUS", "KP_PLUS", "KP_STAR", "[", "]", ",", ".", "-", "=", "\\", "/", "*", "'"};
    for (int n = 1; n <= 15; ++n)
        keys << QString("F%1").arg(n);
    for (int n = 1; n <= 32; ++n)
        keys << QString("JOY%1").arg(n);
    for (char c = 'a'; c <= 'z'; ++c)
        keys << QString(QChar(c));
    for (char c = '0'; c <= '9'; ++c)
        keys << QString(QChar(c));
    return keys;
}

// `realKeys`: the engine judges binds, so every bind gets a key of its own among the game's keys,
// in any case, some with random text glued on (no key at all then). Otherwise every bind gets a
// name of its own that the engine can hold as a variable's name.
MarkState markState(RandomState &random, bool realKeys)
{
    const StateRules rules = {.numericMeters = true, .judged = true};
    GenerationInput input = random.input(rules);
    int next = 0;
    QStringList pool = realKeys ? distinctKeys() : QStringList();
    auto uniqueKey = [&](QString key) {
        if (!realKeys)
            return key.remove(u'\\') + '#' + QString::number(next++);
        QString name = pool.takeAt(random.below(int(pool.size())));
        if (name.size() > 1 && random.chance(40))
            name = random.chance(50) ? name.toLower() : name.toUpper();
        if (random.chance(15))
            name += oneWord(key);
        return name;
    };
    for (KeyedTick &script : input.scripts)
        script.key = uniqueKey(script.key);
    for (KeyedTick &bind : input.classes)
        bind.key = uniqueKey(bind.key);

    MarkState state;
    state.text = generate(input).text.replace("\r\n", "\n");
    for (const QString &line : state.text.split('\n')) {
        MeantLine meant;
        for (int i = 0; i < SettingCount; ++i) {
            const SettingValue &value = input.settings[std::size_t(i)];
            if (value.enabled && line.startsWith(QString("seta %1 \"").arg(settingRows[i].cvar)))
                meant = {MeantLine::Variable, settingRows[i].cvar, *meantValue(settingRows[i], value), {}};
        }
        for (const BlockVariable &variable : blockVariables) {
            if (line == QString("%1 %2 \"%3\"").arg(variable.archived ? "seta" : "set", variable.name, variable.text))
                meant = {MeantLine::Variable, variable.name, variable.text, {}};
        }
        auto bound = [&](const QString &key, const char *quotedCommand) {
            if (line == "bind " + key + ' ' + quotedCommand)
                meant = {MeantLine::Bind, key, {}, commandWords(QString(quotedCommand))};
        };
        for (int i = 0; i < ScriptCount; ++i)
            bound(input.scripts[std::size_t(i)].key, scriptBlocks[i].quotedCommand);
        for (int i = 0; i < ClassBindCount; ++i)
            bound(input.classes[std::size_t(i)].key, classBinds[i].quotedCommand);
        state.meant << meant;
    }

    // As the add buttons do: the box ends in a line break, the new line takes the empty last line.
    auto append = [&state](const QString &line, const MeantLine &meant) {
        state.text += textToAppend(state.text, line);
        state.meant.removeLast();
        state.meant << meant << MeantLine{};
    };
    for (int i = random.below(5); i > 0; --i) {
        if (random.chance(50)) {
            const QString name = "bw" + QString::number(next++) + '#' + oneWord(random.text(rules));
            const QString value = nonEmpty(random.text(rules));
            if (customVariableRefusal(name, value).isEmpty()) // the window adds no line with a ';'
                append(customVariableLine(name, value), {MeantLine::Variable, name, meantValue(value).value, {}});
        } else {
            const BindInputs inputs = {realKeys ? uniqueKey(random.text(rules))
                                                : keyWord(random.text(rules)) + '#' + QString::number(next++),
                                       nonEmpty(random.text(rules)),
                                       random.chance(50) ? voiceEntries.at(random.below(voiceEntries.size()))
                                                         : nonEmpty(random.text(rules).remove('"'))};
            const AddResult added = freeBindLine(random.below(3), inputs);
            const QString &line = added.line;
            if (added.status == AddResult::Added)
                append(line, {MeantLine::Bind, inputs.key, {}, meantCommandWords(line.mid(inputs.key.size() + 6))});
        }
    }
    // Typed lines come last: one may open a comment over the lines after it.
    bool inComment = false;
    for (int i = random.below(4); i > 0; --i) {
        const QString mark = QString("@%1@").arg(next++);
        const QString line = "echo " + mark + ' ' + random.text(rules);
        QStringList words = plainWords(line, &inComment);
        if (!words.isEmpty() && words.takeFirst() != "echo")
            words = {"?"};
        append(line, {MeantLine::Echo, mark, {}, words});
    }
    return state;
}

// How many commands of the text, as this engine reads it, name each variable (in lower case):
// the listing shows only the last one's doing.
QHash<QString, int> namedVariables(const QString &text, const ConsoleRules &rules)
{
    QHash<QString, int> named;
    const ConsoleRead read = readAsConsole(QString(text).replace('\n', "\r\n") + judgedTextEnd, rules);
    for (const ReadCommand &command : read.commands) {
        const QList<ReadWord> &words = command.words;
        if (words.isEmpty())
            continue;
        ++named[words[0].text.toLower()];
        if (words.size() >= 2 && QString("set seta sets setu bind").split(' ').contains(words[0].text.toLower()))
            ++named[words[1].text.toLower()];
    }
    return named;
}

// Whether the console did something else with the line than the window meant; none when the
// listing cannot tell.
// `keyNames`: the engine's names of the keys the binds name, where it judges binds; otherwise a
// bind's key is a variable's name.
std::optional<bool> consoleResultDiffers(const MeantLine &meant, const ConsoleView &view, const ConsoleView &baseline,
                                         const QHash<QString, int> &named, const QHash<QString, QString> *keyNames)
{
    if ((meant.kind == MeantLine::Variable || meant.kind == MeantLine::Bind) && named.value(meant.name.toLower()) > 1)
        return std::nullopt;
    switch (meant.kind) {
    case MeantLine::Unseen: return std::nullopt;
    case MeantLine::Variable: {
        const std::optional<QString> held = view.value(meant.name);
        // The engine's own rule for one of its variables (a number in a range) is no reading.
        if (held != meant.value && view.refusedValue(meant.name))
            return std::nullopt;
        // A variable the engine has of its own can also be set by its name alone, from a piece
        // of another command: the value does not show that the line's own command set it.
        if (held == meant.value && baseline.contains(meant.name))
            return std::nullopt;
        return held != meant.value;
    }
    case MeantLine::Bind: {
        const QString key = keyNames ? keyNames->value(meant.name) : QString();
        const std::optional<QString> bound = !keyNames ? view.value(meant.name)
                                             : key.isEmpty() ? std::nullopt : view.binding(key);
        return !bound || commandWords(*bound) != meant.words;
    }
    case MeantLine::Echo: {
        const QStringList printed = view.log().split('\n');
        // A comment: nothing of it may be read. The log shows only when the echo ran.
        if (meant.words.isEmpty())
            return view.log().contains(meant.name) ? std::optional<bool>(true) : std::nullopt;
        if (meant.words.front() != meant.name)
            return std::nullopt;
        return !printed.contains(meant.words.join(' '));
    }
    }
    return std::nullopt;
}

std::optional<bool> consoleDiffers(const MeantLine &meant, const QString &line, const ConsoleView &view,
                                   const ConsoleView &baseline, const QHash<QString, int> &named,
                                   const QHash<QString, QString> *keyNames)
{
    const std::optional<bool> differs = consoleResultDiffers(meant, view, baseline, named, keyNames);
    // The tail a cut leaves of a line longer than the console's runs as a command of its own,
    // also from a comment; the listing does not show that it did.
    if (differs == false && line.size() >= consoleLineLength)
        return std::nullopt;
    // echo prints its words joined by blanks: the print cannot show a blank that ET: Legacy copied
    // into a word with a byte 0xC2-0xF4 before it (the first byte of a letter of 2-4 bytes to it).
    if (differs == false && meant.kind == MeantLine::Echo) {
        for (qsizetype i = 0; i < line.size(); ++i) {
            const char16_t c = line[i].unicode();
            const qsizetype further = c < 0xC2 || c > 0xF4 ? 0 : c <= 0xDF ? 1 : c <= 0xEF ? 2 : 3;
            for (qsizetype k = i + 1; k <= i + further && k < line.size(); ++k) {
                if (line[k].unicode() <= u' ')
                    return std::nullopt;
            }
        }
    }
    return differs;
}

// ---------------------------------------------------------------------------------------------
// The window's binds: random states with keys from the on-screen keyboard, and free binds of
// chat and voice texts added after Create Config.

constexpr quint32 bindStart = 20261223;
constexpr int bindStates = 150;

struct BindState {
    QString text;
    QList<std::pair<QString, QString>> binds; // key as written, command meant, in the text's order
};

// Text typed into the chat box that the unquoted say line carries: no "//" or "/*" (a comment),
// no ';' (the end of the command), and no letter above 127 (ET: Legacy takes one at a word's start for a blank, and one of
// 0xC2-0xF4 in a word with the bytes after it). The output box marks the others.
QString typedChat(RandomState &random, const StateRules &rules)
{
    QString text = random.text(rules).remove("//").remove("/*");
    text.removeIf([](QChar c) { return c.unicode() > 127 || c == u';'; });
    return text.trimmed().isEmpty() ? QString("hi") : text;
}

BindState bindState(RandomState &random)
{
    const StateRules rules = {.consoleSafe = true, .numericMeters = true, .keyNames = true};
    const GenerationInput input = random.input(rules);
    BindState state;
    state.text = generate(input).text.replace("\r\n", "\n");
    for (int i = 0; i < ScriptCount; ++i) {
        if (input.scripts[std::size_t(i)].ticked)
            state.binds.append({input.scripts[std::size_t(i)].key, unquotedCommand(scriptBlocks[i].quotedCommand)});
    }
    for (int i = 0; i < ClassBindCount; ++i) {
        if (input.classes[std::size_t(i)].ticked)
            state.binds.append({input.classes[std::size_t(i)].key, unquotedCommand(classBinds[i].quotedCommand)});
    }
    for (int i = random.below(5); i > 0; --i) {
        const int type = random.below(3);
        const BindInputs inputs = {random.keyName(), typedChat(random, rules), voiceEntries.at(random.below(voiceEntries.size()))};
        const QString voice = QString(inputs.voice).remove(u'"');
        state.text += textToAppend(state.text, freeBindLine(type, inputs).line);
        state.binds.append({inputs.key, type == 0 ? "say " + inputs.chat : type == 1 ? voice : voice + ' ' + inputs.chat});
    }
    return state;
}

QString describe(const BoxLine &line)
{
    QStringList tips;
    for (const LineMark &mark : line.marks)
        tips << QString("[%1,%2) %3").arg(mark.start).arg(mark.start + mark.length).arg(mark.tip);
    return tips.isEmpty() ? QString("no mark") : tips.join("; ");
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
    int m_corrected = 0; // values the engine put right by its own rule for the variable
    QList<State> m_states;
    QList<ConsoleView> m_stateViews;
    const QList<CustomCase> m_customs = customCases();
    QList<ConsoleView> m_customViews;
    const QList<OutsideCase> m_outside = outsideCases();
    QList<ConsoleView> m_outsideViews;
    QList<MarkState> m_markStates;
    QList<ConsoleView> m_markViews;
    QHash<QString, QString> m_markKeyNames;
    QList<BindState> m_bindStates;
    QList<ConsoleView> m_bindViews;
    QHash<QString, QString> m_bindKeyNames;

    // The user's road, through the window.
    QString customScript(const CustomCase &c)
    {
        WindowFixture f;
        auto add = [&f](const QString &name, const QString &value) {
            // Typed over what a refused line left in the boxes.
            for (const auto &[box, text] : {std::pair("edtCustomInput", name), std::pair("edtValue", value)}) {
                QTest::keyClick(f.edit(box), Qt::Key_A, Qt::ControlModifier);
                typeText(f.edit(box), text);
            }
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
        qInfo("The console judge: %s", qPrintable(m_judge.engineName()));

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
        RandomState markRandom(markStart);
        QStringList keys;
        for (int i = 0; i < markStates; ++i) {
            m_markStates << markState(markRandom, m_judge.judgesBinds());
            QStringList lines = m_markStates.back().text.split('\n');
            for (qsizetype l = 0; l < lines.size(); ++l) {
                const MeantLine &meant = m_markStates.back().meant.at(l);
                if (meant.kind != MeantLine::Bind)
                    continue;
                keys << meant.name;
                // Without a bind command, a bind line becomes a seta line of the same length, read
                // the same way, whose variable, named after the key, shows what it bound.
                if (!m_judge.judgesBinds())
                    lines[l].replace(0, 4, "seta");
            }
            texts << lines.join('\n');
        }
        m_markKeyNames = m_judge.keyNames(keys);
        RandomState bindRandom(bindStart);
        for (int i = 0; i < bindStates; ++i) {
            m_bindStates << bindState(bindRandom);
            texts << m_bindStates.back().text;
            for (const auto &[key, command] : m_bindStates.back().binds)
                keys << key;
        }
        m_bindKeyNames = m_judge.keyNames(keys);

        QList<ConsoleView> views = m_judge.judgeTexts(texts);
        QCOMPARE(views.size(), texts.size());
        qsizetype at = 0;
        auto take = [&](qsizetype n) { return views.mid(std::exchange(at, at + n), n); };
        m_stateViews = take(m_states.size());
        m_customViews = take(m_customs.size());
        m_outsideViews = take(m_outside.size());
        m_markViews = take(m_markStates.size());
        m_bindViews = take(m_bindStates.size());
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
                if (view.value(cvar) != meant && view.refusedValue(cvar)) {
                    ++m_corrected;
                    continue;
                }
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
        const std::optional<QString> expected =
            heldOrNone(m_judge.engine() == ConsoleJudge::Engine::Legacy && !c.legacyHeld.isNull() ? c.legacyHeld : c.held);
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

    // The output box marks a line exactly when the console's result for it differs from what the
    // window meant, reading the box by this engine's rules; and every mark says why. Where the
    // game's engine judges, a bind line is marked exactly when the game binds its key to something
    // other than the line says, or binds nothing.
    void marksFollowTheConsole()
    {
        int checked = 0, marked = 0, binds = 0;
        QStringList wrong;
        const bool legacy = m_judge.engine() == ConsoleJudge::Engine::Legacy;
        for (qsizetype s = 0; s < m_markStates.size(); ++s) {
            const MarkState &state = m_markStates.at(s);
            const ConsoleView &view = m_markViews.at(s);
            QVERIFY2(view.judged(), qPrintable(view.failure()));
            const QList<BoxLine> lines = readBox(state.text + judgedTextEnd, {}, {&m_judge.rules()}).lines;
            const QStringList texts = state.text.split('\n');
            const QHash<QString, int> named = namedVariables(state.text, m_judge.rules());
            QCOMPARE(texts.size(), state.meant.size());
            for (qsizetype l = 0; l < texts.size(); ++l) {
                const BoxLine &line = lines.at(l);
                for (const LineMark &mark : line.marks) {
                    if (mark.tip == unexplainedTip)
                        wrong << QString("state %1 line %2 unexplained: %3").arg(s).arg(l + 1).arg(texts[l].left(200));
                }
                const std::optional<bool> differs = consoleDiffers(state.meant.at(l), texts[l], view, m_judge.baseline(),
                                                                   named, legacy ? &m_markKeyNames : nullptr);
                if (!differs)
                    continue;
                ++checked;
                binds += int(state.meant.at(l).kind == MeantLine::Bind);
                marked += int(!line.marks.isEmpty());
                if (*differs != !line.marks.isEmpty())
                    wrong << QString("state %1 line %2 %3: %4\n    %5").arg(s).arg(l + 1)
                               .arg(*differs ? "differs in the console" : "reads as meant", texts[l].left(200), describe(line));
            }
        }
        qInfo("%s: %d lines checked (%d bind lines), %d of them marked", qPrintable(m_judge.engineName()), checked,
              binds, marked);
        QVERIFY2(wrong.isEmpty(), qPrintable(QString("%1 lines wrong:\n").arg(wrong.size()) + wrong.mid(0, 12).join('\n')));
        QVERIFY(marked > checked / 10 && marked < checked);
    }

    // A letter's first byte at a command's end: ET: Legacy reads on in its line buffer, through
    // what earlier commands of the text left there; a first line of 1,023 bytes fills all of it.
    // Random lines of such bytes, quotes, comments and blanks set what the console model reads.
    void leadBytesReadOnAsTheConsole()
    {
        if (m_judge.engine() != ConsoleJudge::Engine::Legacy)
            QSKIP("Only ET: Legacy copies the bytes after a letter's first byte.");
        // No byte 0x80-0xBF: the listing gives back every byte as it is.
        const QList<QByteArray> pieces = {"a", "bc", " ", "  ", "\"", "//", "/*", "*/", ":", ";",
                                          "\xE9", "\xDF", "\xF0", "x\xF0", "\xDF\"", "\xE9 "};
        RandomState random(leftoverStart);
        QList<QByteArray> files;
        for (int t = 0; t < 60; ++t) {
            QByteArray text = "//";
            while (text.size() < consoleLineLength)
                text += pieces.at(random.below(int(pieces.size())));
            text = text.left(consoleLineLength) + "\r\n";
            for (int l = 0; l < 12; ++l) {
                text += "seta lb" + QByteArray::number(l) + ' ';
                for (int w = random.below(5); w > 0; --w)
                    text += pieces.at(random.below(int(pieces.size())));
                text += pieces.at(10 + random.below(6)) + "\r\n";
            }
            files << text;
        }
        const QList<ConsoleView> views = m_judge.judge(files);
        int compared = 0, unknown = 0;
        for (qsizetype f = 0; f < files.size(); ++f) {
            QVERIFY2(views[f].judged(), qPrintable(views[f].failure()));
            const ConsoleRead read = readAsConsole(QString::fromLatin1(files[f]) + judgedTextEnd, legacyConsole);
            QHash<QString, std::optional<QString>> held;
            bool known = true;
            for (const ReadCommand &command : read.commands) {
                known = known && !command.readsUnknown;
                if (command.words.size() >= 2 && isSetCommand(command.words[0].text))
                    if (const std::optional<QString> value = storedValue(legacyConsole, command.words))
                        held.insert(command.words[1].text.toLower(), value);
            }
            unknown += int(!known);
            for (int l = 0; known && l < 12; ++l) {
                const QString name = QString("lb%1").arg(l);
                // The listing shows a value over several lines (from a "/*" comment) on several.
                const std::optional<QString> value = held.value(name);
                if (value && (value->contains('\n') || value->contains('\r')))
                    continue;
                ++compared;
                QVERIFY2(views[f].value(name) == held.value(name), qPrintable(QString("text %1, %2: the game %3, the model %4\n%5")
                             .arg(f).arg(name, shown(views[f].value(name)), shown(held.value(name)),
                                  QString::fromLatin1(files[f].mid(consoleLineLength + 2)))));
            }
        }
        qInfo("%d variables compared, %d texts read into bytes the text does not set", compared, unknown);
    }

    // After the script runs, every key the window bound (scripts, class binds, free binds, keys
    // from the on-screen keyboard) runs the command the window meant, the last bind of a key
    // winning, and no other key is bound.
    void windowBindsRunWhatTheyMean()
    {
        if (!m_judge.judgesBinds())
            QSKIP(qPrintable(m_judge.noBindsReason()));
        int binds = 0;
        for (qsizetype s = 0; s < m_bindStates.size(); ++s) {
            const ConsoleView &view = m_bindViews.at(s);
            QVERIFY2(view.judged(), qPrintable(view.failure()));
            QMap<QString, QString> meant;
            for (const auto &[key, command] : m_bindStates.at(s).binds) {
                const QString listed = m_bindKeyNames.value(key);
                QVERIFY2(!listed.isEmpty(), qPrintable(QString("state %1: the game knows no key %2").arg(s).arg(key)));
                meant.insert(listed, command);
            }
            QCOMPARE(view.binds().keys(), meant.keys());
            for (auto it = meant.cbegin(); it != meant.cend(); ++it) {
                QVERIFY2(boundWords(*view.binding(it.key())) == boundWords(*it),
                         qPrintable(QString("state %1: %2 runs \"%3\", meant \"%4\"").arg(s).arg(it.key(), *view.binding(it.key()), *it)));
            }
            binds += int(meant.size());
        }
        qInfo("%s: %d states, %d bound keys as meant", qPrintable(m_judge.engineName()), int(m_bindStates.size()), binds);
    }

    // One text cannot spoil another's report: what it set is gone for the next, a comment it
    // leaves open ends with it, and one that ends the engine is not judged, the next ones are.
    void textsAreJudgedApart()
    {
        const QList<ConsoleView> views =
            m_judge.judge({"seta one 1\nbind q x\n/* open\n", "seta two 2\n", "seta three 3\nquit\n", "seta four 4\n"});
        QCOMPARE(views.size(), 4);
        QCOMPARE(views.at(0).value("one"), std::optional<QString>("1"));
        QCOMPARE(views.at(0).binding("q"), m_judge.judgesBinds() ? std::optional<QString>("x") : std::nullopt);
        QVERIFY(views.at(1).binds().isEmpty());
        QVERIFY2(views.at(1).judged(), qPrintable(views.at(1).failure()));
        QCOMPARE(views.at(1).value("two"), std::optional<QString>("2"));
        QVERIFY(!views.at(1).contains("one"));
        QVERIFY(!views.at(2).judged());
        QVERIFY2(views.at(3).judged(), qPrintable(views.at(3).failure()));
        QCOMPARE(views.at(3).value("four"), std::optional<QString>("4"));
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
            QCOMPARE(alone.binds(), batched.binds());
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
