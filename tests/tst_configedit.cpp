// "Create Config" on an opened file, without a window: the file's own text with the window's
// changes put in. Nothing changed gives the text back; the game's console sees exactly the
// changes the window made and nothing else.
#include "console/consolecommands.h"
#include "console/keynames.h"
#include "document/configdocument.h"
#include "document/configedit.h"
#include "document/textlines.h"
#include "document/filebytes.h"
#include "support/configcorpus.h"
#include "support/editcheck.h"
#ifdef BRACKWELL_CONSOLE_JUDGE
#include "support/consolejudge.h"
#endif
#include "support/randomstate.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace brackwell;

namespace {

const QString smg = QStringLiteral("\"class s 1; echo Soldier - SMG;\"");

KeyedTick &classBind(GenerationInput &input, const char *checkBox)
{
    for (int k = 0; k < ClassBindCount; ++k) {
        if (QLatin1StringView(classBinds[k].checkBox) == QLatin1StringView(checkBox))
            return input.classes[std::size_t(k)];
    }
    qFatal("no class bind %s", checkBox);
}

SettingValue &row(GenerationInput &input, const char *control)
{
    return input.settings[std::size_t(settingIndex(control))];
}

QString edited(const QString &text, const std::function<void(GenerationInput &)> &change)
{
    const ConfigRead read = readConfig(text);
    GenerationInput now = read.input;
    change(now);
    return editConfig(text, read, now);
}

#ifdef BRACKWELL_CONSOLE_JUDGE // the game's console runs on Linux only
// The console's value; ioq3ded keeps the trailing "unsafe" the game strips.
std::optional<QString> gameValue(const testing::ConsoleJudge &judge, const testing::ConsoleView &view, const QString &cvar)
{
    std::optional<QString> value = view.value(cvar);
    if (judge.engine() == testing::ConsoleJudge::Engine::Ioq3 && value && value->endsWith(" unsafe"))
        value->chop(7);
    return value;
}

// Lines of `text` that bind a key, as they stand.
QStringList bindLines(const QString &text)
{
    QStringList lines;
    for (const QString &line : QString(text).replace("\r\n", "\n").split(u'\n')) {
        if (line.trimmed().startsWith("bind", Qt::CaseInsensitive))
            lines << line;
    }
    return lines;
}
#endif

} // namespace

class TestConfigEdit : public QObject
{
    Q_OBJECT

private slots:
    // The corpus of players' files (LF and CR LF, with and without a last line break), Brackwell's
    // own scripts of random states and odd texts: open, then "Create Config" with nothing changed
    // gives every character back, and with random changes keeps the edit's promise (editcheck.h).
    void editsKeepTheirPromise()
    {
        QStringList texts = {"", "\n", "seta r_gamma 1.5", "\r\r\r", "/* open\nseta r_gamma 1", "bind \"\" " + smg,
                             "seta Name \"Bob\nseta r_gamma 1.5 unsafe\r\n", "x;;;y;\n\t\t\n",
                             "seta r_gamma 1.5\nbind x \"class s 1; echo Soldier - SMG;\"",
                             "seta r_gamma 1.5\nseta cg_gibs 0\nseta r_drawsun 1", "seta r_drawSun 0\nseta r_drawsun 1\n",
                             "bind y " + smg + "\nunbindall\nbind z w\n", "exec mine.cfg; seta r_drawsun 1 // sun on\n",
                             "seta r_gamma \"\nx\n", QString("seta cg_gibs 1\n") + QChar(0) + "x\n",
                             QString("seta cg_gibs 1") + QChar(0) + "\nseta r_gamma 2\n", "seta r_gamma 1 /* a\nb */ x\nseta r_gamma 2\n"};
        for (const testing::CorpusFile &file : testing::configCorpus(7, 60))
            texts << decodeConfigFile(file.bytes, QStringConverter::Latin1).text;
        testing::RandomState random(31);
        const qsizetype players = texts.size();
        for (int i = 0; i < 200; ++i)
            texts << generate(random.input({true, true, true})).text << generate(random.input({})).text;
        int edits = 0;
        for (qsizetype t = 0; t < texts.size(); ++t) {
            const QString &text = texts[t];
            const ConfigRead read = readConfig(text);
            QCOMPARE(editConfig(text, read, read.input), text);
            // The harshest scripts only have to come back: no player writes them.
            for (int round = 0; round < (t < players || t % 2 == players % 2 ? 4 : 0); ++round) {
                const GenerationInput now = testing::changedState(random, read.input);
                const QString edited = editConfig(text, read, now);
                const QString breach = testing::editBreach(text, read, now, edited);
                QVERIFY2(breach.isEmpty(), qPrintable(breach + "\n--- before:\n" + text.left(2000) + "\n--- after:\n" + edited.left(2000)));
                ++edits;
            }
        }
        qInfo("%lld texts given back unchanged, %d random edits kept their promise", qlonglong(texts.size()), edits);
    }

    // What the window changes in a line, and only that: the command word, indentation, quotes
    // where they still fit, trailing comments, "unsafe" and the neighbours on a ';' line stay.
    void changesTouchOnlyTheirWord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("gamma"); // the new value, or "off"
        QTest::addColumn<QString>("expected");
        QTest::newRow("bare set, tab, comment") << "  set r_gamma 1.3\t// bright\n" << "2" << "  set r_gamma 2\t// bright\n";
        QTest::newRow("quoted, unsafe") << "seta r_gamma \"1\" unsafe\r\n" << "a b" << "seta r_gamma \"a b\" unsafe\r\n";
        QTest::newRow("unquoted, needs quotes") << "seta r_gamma 1" << "a;b" << "seta r_gamma \"a;b\"";
        QTest::newRow("no blank after the name") << "seta r_gamma\"\"x\n" << "2" << "seta r_gamma\"2\"\n";
        QTest::newRow("comment right after") << "seta r_gamma 1//c\n" << "a/" << "seta r_gamma \"a/\"//c\n";
        const QString pastTheLength = "seta r_gamma 1.5 // " + QString(1100, 'x') + "; bind x y\n";
        // Cut at 1,023 bytes: a value of the same length keeps the cut where it is; another length
        // would move it and change what runs after it, so the line stays and the value goes after.
        QTest::newRow("a line past the console's length") << pastTheLength << "2.5" << QString(pastTheLength).replace("1.5", "2.5");
        QTest::newRow("a line past the console's length, another length") << pastTheLength << "2" << pastTheLength + "seta r_gamma \"2\"\n";
        QTest::newRow("bare name value") << "seta r_gamma 1\nr_gamma 1.2\n" << "3" << "seta r_gamma 1\nr_gamma 3\n";
        QTest::newRow("unclosed quote") << "seta r_gamma \"1.2\n" << "1.6" << "seta r_gamma \"1.6\n";
        QTest::newRow("set three times") << "seta r_gamma 1\nseta r_gamma 2\nseta r_gamma 3\n" << "4"
                                         << "seta r_gamma 1\nseta r_gamma 2\nseta r_gamma 4\n";
        QTest::newRow("; neighbours") << "cl_noprint 1; seta r_gamma 1.4; echo x\n" << "2"
                                      << "cl_noprint 1; seta r_gamma 2; echo x\n";
        QTest::newRow("; neighbours, off") << "cl_noprint 1; seta r_gamma 1.4; echo x\n" << "off" << "cl_noprint 1; echo x\n";
        QTest::newRow("first on its line, off") << "  seta r_gamma 1.4;echo x;\n" << "off" << "  echo x;\n";
        QTest::newRow("exec after it") << "seta r_gamma 1.4; exec x\necho y\n" << "2"
                                       << "seta r_gamma 1.4; exec x\nseta r_gamma \"2\"\necho y\n";
        QTest::newRow("toggle after it") << "seta r_gamma 1\ntoggle r_gamma 1 2\n" << "2"
                                         << "seta r_gamma 1\ntoggle r_gamma 1 2\nseta r_gamma \"2\"\n";
        QTest::newRow("a preset after it") << "seta r_gamma 1\nset low \"seta r_gamma 3\"\nvstr low\necho y\n" << "2"
                                           << "seta r_gamma 1\nset low \"seta r_gamma 3\"\nvstr low\nseta r_gamma \"2\"\necho y\n";
        QTest::newRow("a comment open after the last held line") << "seta cg_gibs 0 /* a\nb */\nc\n" << "2"
                                                                 << "seta cg_gibs 0 /* a\nb */\nseta r_gamma \"2\"\nc\n";
        QTest::newRow("off, blank lines around") << "a\n\nseta r_gamma 1\n\nb\n" << "off" << "a\n\nb\n";
        QTest::newRow("off, last line, no break") << "a\r\nseta r_gamma 1" << "off" << "a";
        QTest::newRow("off, its comment stays") << "exec a.cfg; seta r_gamma 1 // sun\n" << "off" << "exec a.cfg // sun\n";
        QTest::newRow("off, every form of setter") << "seta r_gamma 1\nx\nsetu r_gamma 2 /* b */\n" << "off" << "x\n";
        QTest::newRow("not holdable, switched on") << "seta r_gamma 1 2 // two\n" << "1.5" << "seta r_gamma 1.5 // two\n";
        QTest::newRow("star comment left alone") << "/* seta r_gamma 1 */\nx\n" << "2" << "/* seta r_gamma 1 */\nx\nseta r_gamma \"2\"\n";
        QTest::newRow("added after the last held line") << "seta cg_gibs 0\n// end\n" << "2"
                                                        << "seta cg_gibs 0\nseta r_gamma \"2\"\n// end\n";
        QTest::newRow("added at the end, CR only") << "// x\ry" << "2" << "// x\ry\rseta r_gamma \"2\"\r";
    }

    void changesTouchOnlyTheirWord()
    {
        QFETCH(QString, text);
        QFETCH(QString, gamma);
        QFETCH(QString, expected);
        QCOMPARE(edited(text, [&](GenerationInput &now) {
                     row(now, "edtGamma").enabled = gamma != "off";
                     row(now, "edtGamma").text = gamma;
                 }),
                 expected);
    }

    void scriptsClassBindsAndUnbindAll()
    {
        const QString file = "// mine\nbind x " + smg + "\nbind y " + smg + "\nbind \"\" " + smg + "\nbind q +attack\n";
        // The same class bind twice: the window holds the later one; a changed key rewrites only it.
        QCOMPARE(edited(file, [](GenerationInput &now) { classBind(now, "Ssmg").key = "F2"; }),
                 QString(file).replace("bind y", "bind F2"));
        // A key the file binds again later: the bind moves to the end, where it wins.
        QCOMPARE(edited(file, [](GenerationInput &now) { classBind(now, "Ssmg").key = "Q"; }),
                 QString(file).remove("bind y " + smg + "\n") + "\nbind Q " + smg + "\n");
        // Unticked, it goes from every key the file leaves bound to it.
        QCOMPARE(edited(file, [](GenerationInput &now) { classBind(now, "Ssmg").ticked = false; }),
                 QString(file).remove("bind y " + smg + "\n").remove("bind x " + smg + "\n"));
        // UnbindAll goes before the first bind; unticked, every unbindall goes, with the binds it
        // cleared, which would otherwise come back.
        QCOMPARE(edited(file, [](GenerationInput &now) { now.unbindAll = true; }),
                 QString(file).replace("// mine\n", "// mine\nUnbindAll\n"));
        QCOMPARE(edited("unbindall; bind x y\nunbindall\nbind z w\n", [](GenerationInput &now) { now.unbindAll = false; }),
                 "bind z w\n");
        QCOMPARE(edited("a", [](GenerationInput &now) { now.unbindAll = true; }), "a\r\n\r\nUnbindAll\r\n");
        // Before a vstr whose value binds, and before the line a comment opens on that runs on to a bind.
        QCOMPARE(edited("set init \"bind x say hi\"\nvstr init\nbind y z\n", [](GenerationInput &now) { now.unbindAll = true; }),
                 "set init \"bind x say hi\"\nUnbindAll\nvstr init\nbind y z\n");
        QCOMPARE(edited("a\nb /*\n*/ bind x y\n", [](GenerationInput &now) { now.unbindAll = true; }),
                 "a\nUnbindAll\nb /*\n*/ bind x y\n");

        // A script block: untick takes it out with its blank line; newly ticked ones go at the end.
        const GenerationInput clock = [] {
            GenerationInput input = testing::allOff();
            input.scripts[1] = {true, "F10"};
            return input;
        }();
        const QString block = generate(clock).text;
        const QString withBlock = "seta r_gamma 1\r\n" + block + "\r\nbind k \"say hi\"\r\n";
        QCOMPARE(edited(withBlock, [](GenerationInput &now) { now.scripts[1].ticked = false; }),
                 "seta r_gamma 1\r\n\r\nbind k \"say hi\"\r\n");
        QCOMPARE(edited(withBlock, [](GenerationInput &now) { now.scripts[1].key = "F11"; }),
                 QString(withBlock).replace("bind F10", "bind F11"));
        QCOMPARE(edited("seta r_gamma 1\r\n", [](GenerationInput &now) { now.scripts[1] = {true, "F10"}; }),
                 "seta r_gamma 1\r\n" + block);
    }

    void utf8FilesAreReadAsUtf8()
    {
        const QByteArray utf8 = "// \xe2\x80\x9cmine\xe2\x80\x9d\nseta Name \"J\xc3\xb6rg\"\n";
        const DecodedConfig decoded = decodeConfigFile(utf8, QStringConverter::Latin1);
        QCOMPARE(decoded.encoding, QStringConverter::Utf8);
        QCOMPARE(readConfig(decoded.text).input.settings[0].text, QString::fromUtf8("J\xc3\xb6rg"));
        QCOMPARE(encodeScript(decoded.text, decoded.encoding).bytes, QByteArray(utf8).replace("\n", "\r\n"));
        // A byte-order mark stays, so it is written back.
        QCOMPARE(decodeConfigFile("\xef\xbb\xbfx", QStringConverter::Latin1).text, QString(QChar(0xFEFF)) + "x");
        // Not UTF-8, or all ASCII: the 8-bit set.
        QCOMPARE(decodeConfigFile("caf\xe9", QStringConverter::Latin1).encoding, QStringConverter::Latin1);
        QCOMPARE(decodeConfigFile("cafe", QStringConverter::Latin1).encoding, QStringConverter::Latin1);
    }

#ifdef BRACKWELL_CONSOLE_JUDGE
    // The judge: random changes in the window to players' files. In the game's console every
    // variable the window changed holds its new value, every other one holds what the original
    // file gave it; every key the window holds runs the window's command, every other key is
    // bound as before; every bind line the window did not take is still there byte for byte; and
    // the file opened again shows the changed state.
    void theConsoleSeesExactlyTheWindowsChanges()
    {
        testing::ConsoleJudge judge;
        if (!judge.available())
            QFAIL(qPrintable(testing::ConsoleJudge::missingEngineMessage()));
        testing::RandomState random(77);
        struct Case {
            QString name;
            QByteArray before, after;
            ConfigRead read;
            GenerationInput now;
            QString afterText;
            // Other keys bound to a class bind or script unticked now, and their lines: they go with it.
            QStringList releasedKeys, releasedLines;
        };
        QList<Case> cases;
        const QList<testing::CorpusFile> edges = testing::consoleEdgeFiles();
        // And every input that ever broke the fuzzer's model of the game, judged by the game itself.
        QList<testing::CorpusFile> broke;
        for (const QFileInfo &info : QDir(QStringLiteral(BRACKWELL_FUZZ_CORPUS)).entryInfoList(QDir::Files, QDir::Name)) {
            QFile file(info.filePath());
            broke.append({info.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()});
        }
        QVERIFY(!broke.isEmpty());
        for (const testing::CorpusFile &file : testing::configCorpus(11, 40) + edges + edges + edges + broke) {
            const DecodedConfig decoded = decodeConfigFile(file.bytes, QStringConverter::Latin1);
            const bool utf8 = decoded.encoding == QStringConverter::Utf8;
            const ConfigRead read = readConfig(decoded.text, utf8);
            FileRead opened;
            opened.bytes = file.bytes;
            const ConfigDocument::Opening opening = ConfigDocument::open("edited.cfg", opened, QStringConverter::Latin1);
            if (!opening.document || !testing::editPromised(decoded.text, read, utf8))
                continue; // the program does not open it, or the edit promises nothing for it
            for (int round = 0; round < 3; ++round) {
                Case c{file.name + QString(" round %1").arg(round), file.bytes, {}, read, {}, {}, {}, {}};
                c.now = c.read.input;
                for (int i = 0; i < SettingCount; ++i) {
                    SettingValue &value = c.now.settings[std::size_t(i)];
                    if (random.chance(15))
                        value.enabled = !value.enabled;
                    if (random.chance(20)) {
                        value.checked = random.chance(50);
                        QString text = random.text({true, true, true});
                        while (std::any_of(text.cbegin(), text.cend(), [](QChar ch) { return ch.unicode() >= 0x80; }))
                            text = random.text({true, true, true});
                        value.text = text;
                    }
                }
                for (KeyedTick *keyed : {&c.now.scripts[std::size_t(random.below(ScriptCount))],
                                         &c.now.classes[std::size_t(random.below(ClassBindCount))]}) {
                    if (random.chance(50))
                        keyed->ticked = !keyed->ticked;
                    if (random.chance(50))
                        keyed->key = random.keyName();
                }
                if (random.chance(20))
                    c.now.unbindAll = !c.now.unbindAll;
                testing::keepLastBindOfEachKey(c.now);
                const auto release = [&](int command) {
                    const LineSpan &span = read.places.lines[read.places.commands[command].line];
                    c.releasedKeys << read.places.keyOf.value(command);
                    c.releasedLines << decoded.text.sliced(span.text.start, span.text.length);
                };
                for (int k = 0; k < ClassBindCount; ++k) {
                    for (int other : read.places.otherClasses[std::size_t(k)])
                        if (!c.now.classes[std::size_t(k)].ticked)
                            release(other);
                }
                for (int b = 0; b < ScriptCount; ++b) {
                    for (const BlockPlace &other : read.places.otherScripts[std::size_t(b)])
                        if (!c.now.scripts[std::size_t(b)].ticked)
                            release(other.bind.command);
                }
                c.afterText = editConfig(decoded.text, c.read, c.now);
                // Saved as the window saves an opened file: its own line breaks and U+2028 kept.
                c.after = opening.document->bytesFor(withLineFeeds(c.afterText)).bytes;
                QVERIFY2(!c.after.isEmpty() || c.afterText.isEmpty(), qPrintable(c.name));
                cases << c;
            }
        }
        QList<QByteArray> files;
        for (const Case &c : cases)
            files << c.before << c.after;
        const QList<testing::ConsoleView> views = judge.judge(files);
        QCOMPARE(views.size(), files.size());

        QStringList keys;
        for (const Case &c : cases) {
            for (const GenerationInput *input : {&c.read.input, &c.now}) {
                for (const KeyedTick &bind : input->scripts)
                    keys << bind.key;
                for (const KeyedTick &bind : input->classes)
                    keys << bind.key;
            }
            keys << c.releasedKeys;
        }
        const QHash<QString, QString> keyNames = judge.keyNames(keys);

        // What the edits kept, for the summary at the end.
        int changedRows = 0, keptRows = 0, keptVariables = 0, keptBinds = 0, keysJudged = 0;
        QStringList bindsWrong;
        for (qsizetype n = 0; n < cases.size(); ++n) {
            const Case &c = cases[n];
            const testing::ConsoleView &before = views[2 * n], &after = views[2 * n + 1];
            QVERIFY2(before.judged() && after.judged(), qPrintable(c.name));
            QStringList rowNames;
            for (int i = 0; i < SettingCount; ++i) {
                const QString cvar = QLatin1StringView(settingRows[i].cvar);
                rowNames << cvar.toLower();
                const SettingValue &was = c.read.input.settings[std::size_t(i)];
                const SettingValue &is = c.now.settings[std::size_t(i)];
                const std::optional<QString> meant = is.enabled ? writtenValue(settingRows[i], is) : std::nullopt;
                const bool changed = meant && (!was.enabled || writtenValue(settingRows[i], was) != meant);
                if (changed && after.refusedValue(cvar)) {
                    continue;
                } else if (changed) {
                    QVERIFY2(gameValue(judge, after, cvar) == meant, qPrintable(c.name + ": " + cvar + " not " + *meant + " but " + gameValue(judge, after, cvar).value_or("none")));
                    ++changedRows;
                } else if (meant || !was.enabled) {
                    QVERIFY2(gameValue(judge, after, cvar) == gameValue(judge, before, cvar), qPrintable(c.name + ": " + cvar + " changed"));
                    ++keptRows;
                }
            }
            // The file's own other variables (the engine's are not the text's doing); a script the
            // window writes sets some of its own.
            for (const ScriptBlock &block : scriptBlocks) {
                for (int l = 0; l < block.lineCount; ++l) {
                    for (const ReadCommand &command : readAsConsole(QString::fromLatin1(block.lines[l]), legacyConsole).commands) {
                        if (const CommandEffect e = commandEffect(command.words, legacyConsole); e.kind == CommandEffect::Kind::Set)
                            rowNames << e.name.toLower();
                    }
                }
            }
            const QString lowerText = QString::fromUtf8(c.before).toLower();
            for (const testing::ConsoleVariable &variable : before.variables()) {
                if (!rowNames.contains(variable.name.toLower()) && lowerText.contains(variable.name.toLower())) {
                    QVERIFY2(after.value(variable.name) == variable.held(),
                             qPrintable(c.name + ": " + variable.name + " " + variable.held() + " -> " + after.value(variable.name).value_or("none") + "\n" + c.afterText));
                    ++keptVariables;
                }
            }
            // Bind lines the window did not take and the game keeps stay, as often as they stood
            // (binds overridden or cleared go with the bind or unbindall that made them void).
            QStringList kept = bindLines(c.afterText);
            const ConfigRead again = readConfig(c.afterText, decodeConfigFile(c.after, QStringConverter::Latin1).encoding == QStringConverter::Utf8);
            for (const QString &line : bindLines(QString::fromUtf8(c.before))) {
                const bool untouched = std::any_of(c.read.unheld.cbegin(), c.read.unheld.cend(),
                                                   [&](const FileLine &l) { return l.text == line && l.why == "another bind"; });
                if (untouched && !c.releasedLines.contains(line)) {
                    QVERIFY2(kept.removeOne(line), qPrintable(c.name + ": lost " + line));
                    ++keptBinds;
                }
            }
            // Opened again, the window shows what it wrote.
            for (int i = 0; i < SettingCount; ++i) {
                const SettingValue &is = c.now.settings[std::size_t(i)];
                if (is.enabled && writtenValue(settingRows[i], is) && again.notNumbers.isEmpty())
                    QCOMPARE(writtenValue(settingRows[i], again.input.settings[std::size_t(i)]),
                             writtenValue(settingRows[i], is));
            }
            for (int k = 0; k < ClassBindCount; ++k) {
                if (c.now.classes[std::size_t(k)].ticked)
                    QCOMPARE(keyIdentity(again.input.classes[std::size_t(k)].key), keyIdentity(c.now.classes[std::size_t(k)].key));
            }
            QCOMPARE(again.input.unbindAll, c.now.unbindAll);

            // In the game: every key the window holds, before or now, runs the window's command;
            // every other key is bound as it was.
            if (!judge.judgesBinds())
                continue;
            QStringList held;
            for (const QString &key : c.releasedKeys)
                held << keyNames.value(key);
            QHash<QString, QString> meant; // by the listed key, the last bind wins
            for (const GenerationInput *input : {&c.read.input, &c.now}) {
                auto hold = [&](const KeyedTick &bind, const char *quotedCommand) {
                    if (!bind.ticked)
                        return;
                    held << keyNames.value(bind.key);
                    if (input == &c.now)
                        meant.insert(keyNames.value(bind.key), testing::unquotedCommand(quotedCommand));
                };
                for (int s = 0; s < ScriptCount; ++s)
                    hold(input->scripts[std::size_t(s)], scriptBlocks[s].quotedCommand);
                for (int k = 0; k < ClassBindCount; ++k)
                    hold(input->classes[std::size_t(k)], classBinds[k].quotedCommand);
            }
            QStringList wrong;
            for (auto it = meant.cbegin(); it != meant.cend(); ++it) {
                if (testing::boundWords(after.binding(it.key()).value_or(QString())) != testing::boundWords(*it))
                    wrong << QString("%1 runs %2, not %3").arg(it.key(), after.binding(it.key()).value_or("nothing"), *it);
            }
            QStringList others = before.binds().keys() + after.binds().keys();
            others.removeDuplicates();
            for (const QString &key : others) {
                if (held.contains(key))
                    continue;
                ++keysJudged;
                if (before.binding(key) != after.binding(key))
                    wrong << QString("%1 ran %2, now %3").arg(key, before.binding(key).value_or("nothing"),
                                                               after.binding(key).value_or("nothing"));
            }
            keysJudged += int(meant.size());
            if (!wrong.isEmpty())
                bindsWrong << c.name + ": " + wrong.join("; ");
        }
        qInfo("%d edits: %d settings changed as the window says; %d settings the window left, %d other variables "
              "and %d untouched bind lines kept; %d keys judged by %s",
              int(cases.size()), changedRows, keptRows, keptVariables, keptBinds, keysJudged, qPrintable(judge.engineName()));
        if (!judge.judgesBinds())
            QSKIP(qPrintable(judge.noBindsReason()));
        QVERIFY2(bindsWrong.isEmpty(), qPrintable(bindsWrong.mid(0, 8).join(u'\n')));
    }
#endif
};

QTEST_APPLESS_MAIN(TestConfigEdit)
#include "tst_configedit.moc"
