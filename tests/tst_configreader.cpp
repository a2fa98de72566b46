// Reading a config file back into a window state, without a window: the generator's own output
// comes back byte for byte, and files written by hand give the state the game would give.
#include "console/consolelines.h"
#include "document/configreader.h"
#include "document/filebytes.h"
#ifdef BRACKWELL_CONSOLE_JUDGE
#include "support/configcorpus.h"
#include "support/consolejudge.h"
#endif
#include "support/randomstate.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace brackwell;

namespace {

// ET: Legacy's command buffer loop, as the game has it: each command's start and end in the
// text (the buffer is the text and a line break), and where its search for the end stopped.
struct BufferCommand {
    qsizetype start, end, searched;
};
QList<BufferCommand> gameBufferCommands(const QByteArray &text)
{
    const QByteArray buffer = text + '\n';
    QList<BufferCommand> commands;
    bool inStar = false, inSlash = false;
    for (qsizetype base = 0; base < buffer.size();) {
        const char *t = buffer.constData() + base;
        const qsizetype size = buffer.size() - base;
        int quotes = 0;
        qsizetype i = 0;
        for (; i < size; ++i) {
            if (t[i] == '"')
                ++quotes;
            if (!(quotes & 1)) {
                if (i < size - 1) {
                    if (!inStar && t[i] == '/' && t[i + 1] == '/') {
                        inSlash = true;
                    } else if (!inSlash && t[i] == '/' && t[i + 1] == '*') {
                        inStar = true;
                    } else if (inStar && t[i] == '*' && t[i + 1] == '/') {
                        inStar = false;
                        ++i;
                        break;
                    }
                }
                if (!inSlash && !inStar && t[i] == ';')
                    break;
            }
            if (!inStar && (t[i] == '\n' || t[i] == '\r')) {
                inSlash = false;
                break;
            }
        }
        const qsizetype searched = i;
        i = std::min<qsizetype>(i, 1023);
        commands.append({base, std::min(base + i, qsizetype(text.size())), base + searched});
        if (i == size)
            break;
        base += i + 1;
    }
    return commands;
}

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

const QString goToLineTip = QStringLiteral("Ctrl+G in the output box goes to a line by its number.");

const QString smg = QStringLiteral("\"class s 1; echo Soldier - SMG;\"");

// Files a player could write by hand, with the state the window takes from each and the lines
// it lists as not held.
struct HandWritten {
    const char *tag;
    QString file;
    QStringList state;
    QList<int> unheld;
};

QList<HandWritten> handWritten()
{
    const QStringList gamma = {"edtGamma=1.5"};
    return {
        {"empty file", "", {}, {}},
        {"blank lines, CR LF", "\r\n  \r\nseta r_gamma \"1.5\"\r\n\r\n", gamma, {}},
        {"no quotes", "seta r_gamma 1.5", gamma, {}},
        {"set for seta", "set r_gamma 1.5\n", gamma, {}},
        {"extra blanks and tabs", "  seta\t r_gamma   \"1.5\"  \t\n", gamma, {}},
        {"upper-case names", "SETA R_GAMMA 1.5\nSeta NAME \"^1Bob\"\n", {"edtGamma=1.5", "edtPlayerName=^1Bob"}, {}},
        {"LF only", "seta r_gamma 1.5\nseta cg_gibs 0\n", {"CBGibs=0", "edtGamma=1.5"}, {}},
        {"CR only", "seta r_gamma 1.5\rseta cg_gibs 0\r", {"CBGibs=0", "edtGamma=1.5"}, {}},
        {"joined by ;", "seta r_gamma 1.5; seta cg_gibs \"0\";", {"CBGibs=0", "edtGamma=1.5"}, {}},
        {"; and // inside quotes", "seta Name \"a;b // c\"", {"edtPlayerName=a;b // c"}, {}},
        {"empty value", "seta Name \"\"", {"edtPlayerName="}, {}},
        {"link unquoted", "seta Name http://x.y", {"edtPlayerName=http://x.y"}, {}},
        {"link quoted", "seta Name \"http://x.y\"", {"edtPlayerName=http://x.y"}, {}},
        {"comment line", "// my config\nseta r_gamma 1.5", gamma, {1}},
        {"comment after a setting", "seta r_gamma 1.5 // brighter", gamma, {}},
        {"commented-out setting", "//seta r_gamma 1.5\n", {}, {1}},
        {"; inside a comment", "// note; seta r_gamma 1.5", {}, {1}},
        {"the last one wins", "seta r_gamma 1.2\nseta R_Gamma 1.5\n", gamma, {1}},
        {"a bare setting wins", "seta r_gamma \"1.2\"\nr_gamma 1.5\n", gamma, {1}},
        {"bare with two values", "seta r_gamma 1.5\nr_gamma 1 2\n", {"edtGamma=1 2"}, {1}},
        {"unsafe", "seta r_depthbits \"24\" unsafe\nseta r_gamma 1.5 unsafe", {"CBDepthBits=24", "edtGamma=1.5"}, {}},
        {"unsafe is lower case to ET: Legacy", "seta Name Bob UNSAFE", {"edtPlayerName=Bob UNSAFE"}, {1}},
        {"last one unholdable", "seta r_DrawSun 1\nseta r_drawsun 2\n", {}, {1, 2}},
        {"check box 2", "seta cg_gibs 2", {}, {1}},
        {"check box 1.0", "seta cg_gibs 1.0", {}, {1}},
        {"sky inverted", "seta r_fastSky 1\nseta cg_gibs 1", {"CBGibs=1", "CBSky=0"}, {}},
        {"texture mode bilinear", "seta r_textureMode GL_LINEAR_MIPMAP_NEAREST", {"CBTextureMode=BiLinear"}, {}},
        {"texture mode trilinear", "seta r_texturemode \"GL_LINEAR_MIPMAP_LINEAR\"", {"CBTextureMode=TriLinear"}, {}},
        {"unknown texture mode", "seta r_textureMode GL_NEAREST", {}, {1}},
        {"two words unquoted", "seta Name two words", {"edtPlayerName=two words"}, {1}},
        {"no value", "seta r_gamma", {}, {1}},
        {"other variable", "seta cg_fov 100\nseta r_gamma 1.5", gamma, {1}},
        {"unknown command", "vid_restart", {}, {1}},
        {"unbindall", "unbindall\n", {"CBUnBindAll"}, {}},
        {"UNBINDALL", "UNBINDALL\n", {"CBUnBindAll"}, {}},
        {"class bind", "bind kp_ins " + smg, {"Ssmg:kp_ins"}, {}},
        {"class bind, key quoted", "BIND \"x\" " + smg, {"Ssmg:x"}, {}},
        {"class bind, other text", "bind x \"class s 1\"", {}, {1}},
        {"class bind, key with a blank", "bind \"a b\" " + smg, {}, {1}},
        {"class bind twice", "bind x " + smg + "\nbind y " + smg, {"Ssmg:y"}, {1}},
        {"unbindall after a bind", "bind x " + smg + "\nunbindall", {"CBUnBindAll"}, {1}},
        {"key bound again", "bind x " + smg + "\nbind X \"say hi\"", {}, {1, 2}},
        {"key bound again by another name", "bind SEMICOLON " + smg + "\nbind \";\" hi", {}, {1, 2}},
        {"key unbound", "bind x " + smg + "\nunbind x", {}, {1, 2}},
        {"invalid key", "bind esc " + smg, {}, {1}},
        {"script block bound again", "\n" + block(1, "F10") + "bind f10 x", {}, {2, 3, 4, 5, 6, 7, 8}},
        {"free bind", "bind k say hello there", {}, {1}},
        {"clock block", "\n" + block(1, "F10"), {"CBClock:F10"}, {}},
        {"block with blank lines and blanks", QString(block(3, "F7")).replace("\n", "  \n\n"), {"CBDemo:F7"}, {}},
        {"block without its bind", block(1, "F10").section(u'\n', 0, -3), {}, {1, 2, 3, 4, 5}},
        {"block with a line missing", block(3, "F8").remove("set demor \"vstr demostart\"\n"), {}, {1, 2, 3, 4, 5}},
        {"bind line alone", "bind F9 \"vstr clock\"", {}, {1}},
        {"unbalanced quote", "seta Name \"Bob\nseta r_gamma 1.5", {"edtGamma=1.5", "edtPlayerName=Bob"}, {}},
        {"non-ASCII quoted", "seta Name \"J\u00f6rg\"", {"edtPlayerName=J\u00f6rg"}, {}},
        {"non-ASCII unquoted", "seta Name J\u00f6rg", {"edtPlayerName=J\u00f6rg"}, {1}},
        {"byte order mark", "\u00ef\u00bb\u00bfseta r_gamma 1.5", gamma, {}},
        {"star comment on one line", "/* x */ seta r_gamma 1.5", gamma, {}},
        {"star comment over lines", "/*\nseta r_gamma 1.5\n*/\nseta cg_gibs 0", {"CBGibs=0"}, {1, 2, 3}},
        {"NUL byte", QString("seta r_gamma 1.5\n") + QChar(0) + "\nseta cg_gibs 0", gamma, {2, 3}},
        {"not a number", "seta cg_brassTime abc", {"edtBrass=abc"}, {}},
        {"a preset after the row", "seta r_gamma 1\nset low \"seta r_gamma 1.5\"\nvstr low\n", gamma, {1, 2, 3}},
        {"nested presets", "set a \"vstr b; seta cg_gibs 1\"\nset b \"seta r_gamma 1.5; seta cg_gibs 0\"\nVSTR A\n",
         {"CBGibs=1", "edtGamma=1.5"}, {1, 2, 3}},
        {"a preset binds the key again", "unbindall\nbind x " + smg + "\nset init \"bind x say hi; unbindall\"\nvstr init\n",
         {"CBUnBindAll"}, {2, 3, 4}},
        {"a preset before the row", "set low \"seta r_gamma 1\"\nvstr low\nseta r_gamma 1.5\n", gamma, {1, 2}},
        {"toggle after the row", "seta cg_gibs 0\ntoggle cg_gibs\n", {}, {1, 2}},
        {"reset after another row", "seta r_gamma 1.5\nseta cg_gibs 0\nreset cg_gibs\n", gamma, {2, 3}},
        {"exec after the row", "seta r_gamma 1.5\nexec nothing.cfg\nseta cg_gibs 0\n", {"CBGibs=0"}, {1, 2}},
        {"vstr of a variable never set", "seta r_gamma 1.5\nvstr nothing\n", {}, {1, 2}},
        {"a bind after a comment over lines", "/*\n*/ bind x " + smg, {"Ssmg:x"}, {1, 2}},
    };
}

#ifdef BRACKWELL_CONSOLE_JUDGE
// A state with any text in its boxes, but short enough that no line reaches the console's limit of
// 1023 characters (which the window does not keep) and without "quit", which would end the judge.
GenerationInput harshState(testing::RandomState &random)
{
    GenerationInput state = random.input({});
    const auto tame = [&random](QString &text) {
        while (text.size() > 60 || text.contains("quit"))
            text = random.text();
    };
    for (SettingValue &setting : state.settings)
        tame(setting.text);
    for (KeyedTick &script : state.scripts)
        tame(script.key);
    for (KeyedTick &bind : state.classes)
        tame(bind.key);
    return state;
}
#endif

// A line of a hand-written autoexec as players write them, with what it holds, known from how it
// was made: the binds, variable settings and other commands the window does not take, or a comment.
struct MadeLine {
    const char *shape; // %K and %L stand for keys, %W for a setting of the window's
    int binds = 0, variables = 0, others = 0;
    bool comment = false;
    QString text = {};
    int window = -1; // the window's variable it sets
    bool kept() const { return comment || binds + variables + others > 0; }
};

QList<MadeLine> playerAutoexec(QRandomGenerator &random, int count)
{
    static const char *const keys[] = {"F1", "kp_enter", "MOUSE4", "mouse5", "\"~\"", "'", "j", "TAB", "MWHEELUP", "\\"};
    static const char *const window[] = {"seta r_gamma 1.4", "seta com_hunkMegs 128", "seta cl_maxpackets 100", "seta cg_bobup 0"};
    static const MadeLine shapes[] = {
        {"// ==== my binds ====", 0, 0, 0, true}, {"////////////////////////", 0, 0, 0, true},
        {"//   _____  _____   \\", 0, 0, 0, true}, {"// r\u00e9glages du r\u00e9seau", 0, 0, 0, true}, {""},
        {"bind %K \"say_team ^3Need ammo!\"", 1}, {"bind %K \"weaponbank 3; +attack\"", 1},
        {"BIND %K say ^1gg\t\t// mine", 1}, {"bind %K +vstr zoomin zoomout", 1},
        {"bind %K \"vote yes; echo ^2// voted\"; unbind %L;", 2}, {"seta rate \"25000\"", 0, 1},
        {"seta snaps 40\t// mine", 0, 1}, {"set zoomin \"sensitivity 2; cg_fov 60\"", 0, 1}, {"%W"},
        {"%W; set m_pitch 0.022", 0, 1}, {"%W\t\t// bright", 0}, {"# network; cg_thirdperson 0", 0, 0, 2},
        {"echo ^2loaded", 0, 0, 1}, {"cl_noprint 1; exec weapons.cfg; cl_noprint 0", 0, 0, 3}};
    QList<MadeLine> lines;
    for (int l = 0; l < count; ++l) {
        MadeLine line = l == 1 ? MadeLine{"unbindall"} : shapes[random.bounded(int(std::size(shapes)))];
        line.text = QString::fromUtf8(line.shape);
        line.text.replace("%K", keys[random.bounded(int(std::size(keys)))]).replace("%L", keys[random.bounded(int(std::size(keys)))]);
        if (line.text.contains("%W")) {
            line.window = random.bounded(int(std::size(window)));
            line.text.replace("%W", window[line.window]);
        }
        lines.append(line);
    }
    // The last setting of each of the window's variables is the window's; earlier ones are kept, and
    // so is one that an exec after it may set again, which the window cannot know.
    for (int l = 0; l < count; ++l) {
        const auto later = [&](const MadeLine &other) {
            return other.window == lines[l].window || other.text.contains(QLatin1StringView("exec "));
        };
        lines[l].variables += lines[l].window >= 0 && std::any_of(lines.cbegin() + l + 1, lines.cend(), later);
    }
    return lines;
}

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
        for (int round = 0; round < 500 && !QTest::currentTestFailed(); ++round) {
            GenerationInput input = random.input({true, true, true});
            testing::keepLastBindOfEachKey(input);
            roundTrip(input, QString("round %1").arg(round));
        }
    }

    void handWrittenFiles_data()
    {
        QTest::addColumn<int>("index");
        const QList<HandWritten> files = handWritten();
        for (int i = 0; i < files.size(); ++i)
            QTest::newRow(files[i].tag) << i;
    }

    void handWrittenFiles()
    {
        QFETCH(int, index);
        const HandWritten file = handWritten().at(index);
        const ConfigRead read = readConfig(file.file);
        QCOMPARE(held(read.input), file.state);
        QCOMPARE(numbers(read.unheld), file.unheld);
    }

#ifdef BRACKWELL_CONSOLE_JUDGE // the game's console runs on Linux only
    // The game's console (support/consolejudge.h) executes the same files: every value the window
    // takes is the one the console holds, and a row's variable that the console changed without
    // the window taking it stands on a listed line. Where the game's own engine judges, the key
    // the window shows for a script or class bind runs that bind's command, and a class bind the
    // game has on some key is ticked, on one of those keys. The hand-written files, players' files
    // of the corpus, then scripts of harsh random states, whose quotes, ';' and line breaks
    // inside values cut their lines apart.
    void theConsoleReadsTheFilesAlike()
    {
        testing::ConsoleJudge judge;
        if (!judge.available())
            QFAIL(qPrintable(testing::ConsoleJudge::missingEngineMessage()));
        qInfo("The console judge: %s", qPrintable(judge.engineName()));
        QList<QByteArray> files;
        QStringList tags;
        const bool legacy = judge.engine() == testing::ConsoleJudge::Engine::Legacy;
        for (const HandWritten &file : handWritten()) {
            // ET: Legacy strips a trailing "unsafe", keeps "//" after ':' and letters beyond ASCII in a
            // word; ioq3ded knows none of these rules.
            const bool ascii = std::all_of(file.file.cbegin(), file.file.cend(), [](QChar c) { return c.unicode() < 0x80; });
            if (!legacy && (file.file.contains("unsafe") || file.file.contains("://") || !ascii))
                continue;
            files << file.file.toLatin1();
            tags << file.tag;
        }
        for (const testing::CorpusFile &file : testing::configCorpus(randomStart, 60)) {
            if (!legacy && file.bytes.contains("unsafe"))
                continue;
            files << file.bytes;
            tags << file.name;
        }
        testing::RandomState random(randomStart);
        for (int round = 0; round < 150; ++round) {
            files << generate(harshState(random)).text.toLatin1();
            tags << QString("harsh state %1").arg(round);
        }

        const QList<testing::ConsoleView> views = judge.judge(files);
        QCOMPARE(views.size(), files.size());
        QList<ConfigRead> reads;
        QStringList keys;
        for (const QByteArray &file : files) {
            reads << readConfig(configFileText(file, QStringConverter::Latin1));
            for (const KeyedTick &bind : reads.back().input.scripts)
                keys << bind.key;
            for (const KeyedTick &bind : reads.back().input.classes)
                keys << bind.key;
        }
        const QHash<QString, QString> keyNames = judge.keyNames(keys);
        int bindsJudged = 0;
        QStringList bindsWrong;
        for (int i = 0; i < files.size(); ++i) {
            const testing::ConsoleView &view = views[i];
            QVERIFY2(view.judged(), qPrintable(tags[i] + ": " + view.failure()));
            const ConfigRead &read = reads[i];
            if (judge.judgesBinds()) {
                auto check = [&](const KeyedTick &shown, const char *quotedCommand, bool tickedWhereBound) {
                    const QStringList running = testing::keysRunning(view, testing::unquotedCommand(quotedCommand));
                    const QString key = keyNames.value(shown.key);
                    ++bindsJudged;
                    if (shown.ticked ? !running.contains(key) : tickedWhereBound && !running.isEmpty())
                        bindsWrong << QString("%1: the window shows %2 %3, the game binds %4 to it")
                                          .arg(tags[i], QString::fromLatin1(quotedCommand),
                                               shown.ticked ? "on " + shown.key + " (" + key + ')' : "unticked",
                                               running.isEmpty() ? "no key" : running.join(", "));
                };
                // A script is shown only with its whole block; a class bind wherever the game has it.
                for (int s = 0; s < ScriptCount; ++s)
                    check(read.input.scripts[std::size_t(s)], scriptBlocks[s].quotedCommand, false);
                for (int k = 0; k < ClassBindCount; ++k)
                    check(read.input.classes[std::size_t(k)], classBinds[k].quotedCommand, true);
            }
            for (int row = 0; row < SettingCount; ++row) {
                const QString cvar = QString::fromLatin1(settingRows[row].cvar);
                const std::optional<QString> meant =
                    testing::meantValue(settingRows[row], read.input.settings[std::size_t(row)]);
                const QString held = view.value(cvar).value_or("(not set)");
                const bool ascii = meant && std::all_of(meant->cbegin(), meant->cend(), [](QChar c) { return c.unicode() < 0x80; });
                if (meant && view.refusedValue(cvar))
                    continue;
                const QString differs = QString("%1: %2 is \"%3\" in the window, \"%4\" in the console").arg(tags[i], cvar, meant.value_or(""), held);
                if (meant && (legacy || ascii))
                    QVERIFY2(view.value(cvar) == meant, qPrintable(differs));
                else if (!meant && !view.sameAs(judge.baseline(), cvar))
                    QVERIFY2(!read.unheld.isEmpty(), qPrintable(tags[i] + ": " + cvar + " set, yet no line listed"));
            }
        }
        qInfo("%d files judged", int(files.size()));
        if (!judge.judgesBinds())
            QSKIP(qPrintable(judge.noBindsReason()));
        qInfo("%d script and class binds judged", bindsJudged);
        QVERIFY2(bindsWrong.isEmpty(), qPrintable(bindsWrong.mid(0, 10).join(u'\n')));
    }
#endif

    // The model cuts a text into commands where ET: Legacy's buffer does, on texts of comments,
    // quotes, ';' and lines past the console's length: a "/*" left open runs to the text's end
    // once per 1,024 bytes.
    void bufferCutsLikeTheGame()
    {
        const QList<QByteArray> pieces = {"\"", "/*", "*/", ";", "//", " ", "x", "seta a b", "\n", "\r", "*", "/",
                                          QByteArray(300, 'y'), QByteArray(900, 'z')};
        QRandomGenerator random(20261208);
        for (int round = 0; round < 4000; ++round) {
            QByteArray text;
            for (int n = random.bounded(60); n > 0; --n)
                text += pieces.at(random.bounded(pieces.size()));
            const QList<BufferCommand> game = gameBufferCommands(text);
            const QList<ReadCommand> model = readAsConsole(QString::fromLatin1(text), legacyConsole).commands;
            // The search may stop at a ';' or at the line break after a cut: the same line.
            auto line = [&](qsizetype at) { return text.left(at).count('\n') + text.left(at).count('\r'); };
            QCOMPARE(model.size(), game.size());
            for (qsizetype c = 0; c < game.size(); ++c) {
                QCOMPARE(model[c].start, game[c].start);
                QCOMPARE(model[c].end, game[c].end);
                QCOMPARE(line(model[c].scanEnd), line(game[c].searched));
            }
        }
    }

    // The console's line holds 1,023 bytes: a UTF-8 name of 1,040 bytes and 532 characters is cut,
    // so the window leaves it, while the same characters one byte each fit.
    void linesAreCountedInBytes()
    {
        const QString text = "seta Name \"" + QString(520, QChar(0xE9)) + "\"\nseta r_gamma 1.5\n";
        const ConfigRead utf8 = readConfig(text, true);
        QVERIFY(!utf8.input.settings[std::size_t(settingIndex("edtPlayerName"))].enabled);
        QCOMPARE(numbers(utf8.unheld), QList<int>{1});
        QVERIFY(utf8.unheld.front().doubtful);
        QCOMPARE(held(readConfig(text, false).input), QStringList({"edtGamma=1.5", "edtPlayerName=" + QString(520, QChar(0xE9))}));
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

    // A few sentences say what the window shows and how many lines stay as they are. The details
    // put first the lines the game may read otherwise, then what is kept by kind, then the lines.
    void reportCountsAndListsTheKeptLines()
    {
        QString file = "seta r_gamma 1.5\r\n// a; seta cg_gibs 0\r\nseta r_drawsun 2\r\nbind x " + smg + "\r\n";
        for (int i = 1; i <= 25; ++i)
            file += QString("bind %1 say line %2\r\n").arg(QChar(u'a' + i - 1 + (i >= 24))).arg(i); // x is the class bind's
        file += QString("say ") + QChar(1) + "x\tz\n" + QString(500, u'a') + "\n";
        const OpenReport report = openReport(readConfig(file));
        QCOMPARE(report.text.section("\n\n", 0, 0), "The window shows 1 setting, 0 scripts and 1 class bind from this file.");
        QCOMPARE(report.text.section("\n\n", 1),
                 "\"Create Config\" changes only their lines and keeps the other 29 lines as they are. The game may "
                 "read 2 of them otherwise than the window does; the details show them first.");
        const QStringList sections = report.details.split("\n\n");
        QCOMPARE(sections.size(), 4);
        QCOMPARE(sections[0], "line 2 (2.60 reads this line otherwise): // a; seta cg_gibs 0\n"
                              "line 3 (\"Show Sun\" holds only 0 or 1): seta r_drawsun 2");
        QCOMPARE(sections[1], "25 binds the window does not show are kept as they are.\n"
                              "2 other commands are kept as they are.");
        QCOMPARE(sections[2], goToLineTip);
        const QStringList kept = sections[3].split(u'\n');
        QCOMPARE(kept.size(), 27);
        QCOMPARE(kept[0], "line 5 (another bind): bind a say line 1");
        QCOMPARE(kept[25], "line 30 (another command): say ?x z");
        QCOMPARE(kept[26], "line 31 (another command): " + QString(80, u'a') + "...");

        const OpenReport one = openReport(readConfig(u"unbindall\nbind F9 \"vstr clock\""));
        QCOMPARE(one.text, "The window shows 0 settings, 0 scripts and 0 class binds from this file, and UnBind All.\n\n"
                           "\"Create Config\" changes only their lines and keeps the other line as it is.");
        QVERIFY(one.details.contains("line 2 (") && one.details.endsWith(": bind F9 \"vstr clock\""));
    }

    // Hand-written autoexecs as players write them: the details list every line the game may read
    // otherwise first, then count what is kept by kind as the file was made, then list those lines.
    void reportPutsWhatMattersFirst()
    {
        // Each line of a section by its first two words: "line 12", "95 comment", "108 bind".
        const auto heads = [](const QStringList &lines) {
            QStringList heads;
            for (const QString &line : lines)
                heads << line.section(u' ', 0, 1).remove(QRegularExpression("s$"));
            return heads;
        };
        QRandomGenerator random(randomStart);
        for (int round = 0; round < 20; ++round) {
            const QList<MadeLine> made = playerAutoexec(random, 300);
            QString file;
            for (const MadeLine &line : made)
                file += line.text + (round % 4 ? "\n" : "\r\n");
            const ConfigRead read = readConfig(file);
            QStringList doubtful, kept, counts;
            for (const FileLine &line : read.unheld) {
                if (line.doubtful)
                    doubtful << QString("line %1").arg(line.number);
            }
            std::array<int, 4> kinds{};
            for (int l = 0; l < made.size(); ++l) {
                const MadeLine &line = made[l];
                if (line.kept() && !doubtful.contains(QString("line %1").arg(l + 1))) {
                    kinds = {kinds[0] + line.comment, kinds[1] + line.binds, kinds[2] + line.variables, kinds[3] + line.others};
                    kept << QString("line %1").arg(l + 1);
                }
            }
            for (int k = 0; k < 4; ++k) {
                if (kinds[std::size_t(k)] > 0)
                    counts << QString("%1 ").arg(kinds[std::size_t(k)]) + QStringList{"comment", "bind", "variable", "other"}[k];
            }
            QStringList sections = openReport(read).details.split("\n\n");
            if (!doubtful.isEmpty())
                QCOMPARE(heads(sections.takeFirst().split(u'\n')), doubtful);
            QCOMPARE(sections.size(), 3);
            QCOMPARE(heads(sections[0].split(u'\n')), counts);
            QCOMPARE(sections[1], goToLineTip);
            QCOMPARE(heads(sections[2].split(u'\n')), kept);
        }
    }

    void reportNamesValuesThatAreNoNumbers()
    {
        const ConfigRead read = readConfig(u"seta cg_brassTime abc\r\nseta cg_coronafardist 700\r\n");
        QCOMPARE(read.notNumbers.size(), 1);
        QCOMPARE(read.notNumbers[0].line.number, 1);
        const OpenReport report = openReport(read);
        QVERIFY(report.text.contains("Brass Time (line 1): 'abc'"));
        QVERIFY(!report.text.contains("keeps the other"));
        QVERIFY(openReport(readConfig(u"seta cg_brassTime 5\r\n")).text.isEmpty());
    }

    void failureMessages()
    {
        QCOMPARE(cannotOpenMessage("/x/a.cfg", "Permission denied. "),
                 "Cannot open file \"" + QDir::toNativeSeparators("/x/a.cfg") + "\". Permission denied");
        QVERIFY(tooLargeMessage("/x/a.cfg").contains("too large for a config script"));
    }
};

QTEST_APPLESS_MAIN(TestConfigReader)
#include "tst_configreader.moc"
