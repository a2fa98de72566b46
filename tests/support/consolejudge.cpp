#include "support/consolejudge.h"

#include "document/filebytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <utility>

namespace brackwell::testing {

const ConsoleRules ioq3Console = {"ioq3ded", true, false, false, false, 0, false};
const QString judgedTextEnd = QStringLiteral("\n*/\n\"*/");

namespace {

// The engine compares names with ASCII case folding only.
QString folded(const QString &name)
{
    QString key = name;
    for (QChar &c : key) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return key;
}

using Engine = ConsoleJudge::Engine;

// ioq3ded's game folder, named on its command line; ET: Legacy's is etmain.
const QString ioq3Folder = QStringLiteral("judge");
// ioq3ded refuses to start with a default.cfg that is missing or holds no byte at all.
const QByteArray ioq3Default = "// the engine needs this file to hold something\n";

QString fileName(const char *stem, int index)
{
    return QStringLiteral("%1%2.cfg").arg(QLatin1StringView(stem)).arg(index, 3, 10, QLatin1Char('0'));
}

// Each text's driver lines sit in a file of their own that ends by executing the next one, so the
// command buffer (128 KB) never holds more than one text and its driver.
constexpr int textsPerRun = 200;

// cvarlist: flags, the name, the value in quotes; ioq3ded may add a latched value, ET: Legacy adds
// the default after "-" (or "^3!" when the value differs).
const QRegularExpression ioq3Listed(
    QString::fromLatin1(R"re(^([^"]*) (\S+) "([^"]*)"(?:,? latched:? "([^"]*)")?\s*$)re"));
// ET: Legacy can hold a double quote in a value: a byte 0xC2-0xF4 in an unquoted word copies the
// bytes after it, a double quote too.
const QRegularExpression legacyListed(QString::fromLatin1(R"re(^([^"]*?)(\S+) +"(.*)" (?:-|\^3!) "(.*)"$)re"));
// A variable typed alone prints itself, and its latched value on the next line.
const QRegularExpression printedLine(QString::fromLatin1(R"re(^"([^"]*)" is:)re"));
const QRegularExpression latchedLine(QString::fromLatin1(R"re(^latched: "(.*)"\s*$)re"));
// bindlist: the key's name padded to 15 columns, the command in quotes.
const QRegularExpression boundLine(QString::fromLatin1(R"re(^(\S+) +"(.*)"$)re"));
const QString bindHeader = QStringLiteral("key             bind");
// ET: Legacy starts each printed line with the time in 8 columns, but not always (a line after
// one it re-encoded lacks it).
const QRegularExpression timestamp(QString::fromLatin1(R"re(^[ 0-9]{7}[0-9] )re"));

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// ET: Legacy prints bytes that form no UTF-8 as Latin-1 letters in UTF-8, and UTF-8 as it is:
// back to one character per byte, a letter beyond Latin-1 as its bytes.
QString legacyLine(QByteArrayView bytes)
{
    const QString text = QString::fromUtf8(bytes);
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; }))
        return text;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
        const QStringView letter = QStringView(text).sliced(i, pair ? 2 : 1);
        i += pair ? 1 : 0;
        out += letter.front().unicode() < 0x100 ? letter.toString() : QString::fromLatin1(letter.toUtf8());
    }
    return out;
}

struct EngineRun {
    QStringList lines;
    QString problem; // why the run did not end as it should, or empty
};

// Runs the engine on fresh folders holding `files` in its game folder, with `commands` as the `+`
// commands after the start-up.
EngineRun runEngine(const QString &engine, Engine kind, const QList<std::pair<QString, QByteArray>> &files,
                    const QStringList &commands, int timeoutMs)
{
    EngineRun run;
    QTemporaryDir root;
    const QString base = root.filePath(QStringLiteral("base"));
    const QString home = root.filePath(QStringLiteral("home"));
    const QString game = base + u'/' + (kind == Engine::Legacy ? QStringLiteral("etmain") : ioq3Folder);
    if (!root.isValid() || !QDir().mkpath(game) || !QDir().mkpath(home)) {
        run.problem = QStringLiteral("cannot make the engine's folders");
        return run;
    }
    // ET: Legacy checks that a pak0.pk3 is there, not what it holds.
    bool written = kind == Engine::Legacy ? writeFile(game + QStringLiteral("/pak0.pk3"), {})
                                          : writeFile(game + QStringLiteral("/default.cfg"), ioq3Default);
    for (const auto &[name, bytes] : files)
        written = written && writeFile(game + u'/' + name, bytes);
    if (!written) {
        run.problem = QStringLiteral("cannot write the engine's files");
        return run;
    }

    QStringList arguments = {"+set", "fs_basepath", base, "+set", "fs_homepath", home,
                             "+set", "dedicated",   "1",  "+set", "net_enabled", "0"};
    if (kind == Engine::Legacy) // no database file, no colour codes turned into terminal escapes
        arguments << "+set" << "db_mode" << "0" << "+set" << "com_ansiColor" << "0";
    else
        arguments << "+set" << "com_basegame" << ioq3Folder << "+set" << "com_standalone" << "1";
    // The engine joins its arguments into one command line, quoting those with a blank, and
    // splits that at each '+': every word has to be an argument of its own.
    for (const QString &command : commands)
        arguments += (u'+' + command).split(u' ');
    arguments << QStringLiteral("+quit");

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The engine reads console commands from its standard input.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(engine, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill(); // an idTech3 engine can hang in its shutdown
        process.waitForFinished();
        run.problem = process.error() == QProcess::FailedToStart
                          ? QStringLiteral("%1 did not start: %2").arg(engine, process.errorString())
                          : QStringLiteral("the engine did not end within %1 s").arg(timeoutMs / 1000);
    } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        run.problem = QStringLiteral("the engine ended with code %1").arg(process.exitCode());
    }
    // The engine ends its lines with LF alone: a CR in a line is text it printed (an echoed word
    // holding a line break).
    const QByteArray output = process.readAll();
    for (const QByteArray &line : output.split('\n')) {
        if (kind == Engine::Legacy) {
            QString text = legacyLine(line);
            if (const auto m = timestamp.match(text); m.hasMatch())
                text.remove(0, m.capturedLength());
            run.lines << text;
        } else {
            run.lines << QString::fromLatin1(line); // values are 8-bit text
        }
    }
    return run;
}

const QString listingFile = QStringLiteral("listing.cfg");

// Lists every bind and variable, then prints each variable that can hold a latched value, which
// shows it.
QByteArray listing(Engine kind, const QStringList &latchedNames)
{
    QStringList lines = {QStringLiteral("cvarlist")};
    if (kind == Engine::Legacy)
        lines.prepend(QStringLiteral("bindlist"));
    return (lines + latchedNames).join(u'\n').toLatin1() + '\n';
}

// Commands that run the listing between two marker lines.
QStringList listingCommands(const QString &marker)
{
    return {QStringLiteral("echo %1 list").arg(marker), QStringLiteral("exec ") + listingFile,
            QStringLiteral("echo %1 end").arg(marker)};
}

QString newMarker()
{
    return QStringLiteral("@judge-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

const QString cutShort = QStringLiteral("the engine's report on this text was cut short");

} // namespace

// Fills in views from the engine's output; the one place that does.
struct ConsoleReport {
    static ConsoleView unjudged(const QString &why)
    {
        ConsoleView view;
        view.m_failure = why;
        return view;
    }
    static ConsoleView read(const EngineRun &run, Engine kind, qsizetype &at, const QString &marker, bool hasBegin);
};

// Reads one text's report: its log up to the list marker, then the listing up to the end marker.
ConsoleView ConsoleReport::read(const EngineRun &run, Engine kind, qsizetype &at, const QString &marker, bool hasBegin)
{
    const QStringList &lines = run.lines;
    ConsoleView view;
    auto failed = [&](const QString &why) {
        view.m_failure = run.problem.isEmpty() ? why : why + QStringLiteral(" (") + run.problem + u')';
        return view;
    };
    if (hasBegin) {
        while (at < lines.size() && lines.at(at) != marker + QStringLiteral(" begin"))
            ++at;
        if (at == lines.size())
            return failed(QStringLiteral("the engine never began this text"));
        ++at;
    }
    const QString everyMarker = marker.section(u' ', 0, 0);
    QStringList log;
    while (at < lines.size() && lines.at(at) != marker + QStringLiteral(" list")) {
        if (lines.at(at).startsWith(everyMarker))
            return failed(cutShort + QStringLiteral(": ") + lines.at(at));
        log << lines.at(at++);
    }
    view.m_log = log.join(u'\n');
    if (at == lines.size())
        return failed(cutShort + QStringLiteral(": it ended the engine (quit?)"));
    ++at;
    const QRegularExpression &listed = kind == Engine::Legacy ? legacyListed : ioq3Listed;
    QString printed; // the variable whose print the next latched line belongs to
    bool inBinds = false, bindRows = false;
    // A value or default holding a line break (words a quote carried over one) spans lines.
    const QRegularExpression spread(listed.pattern(), QRegularExpression::DotMatchesEverythingOption);
    while (at < lines.size() && lines.at(at) != marker + QStringLiteral(" end")) {
        QString line = lines.at(at++);
        const bool whole = inBinds || !line.contains(u'"') || listed.match(line).hasMatch();
        for (qsizetype more = at; !whole && more < lines.size() && more < at + 64 && !lines.at(more).startsWith(everyMarker); ++more) {
            if (const QString joined = line + u'\n' + lines.mid(at, more - at + 1).join(u'\n'); spread.match(joined).hasMatch()) {
                line = joined;
                at = more + 1;
                break;
            }
        }
        if (line == bindHeader) {
            inBinds = true;
            bindRows = false;
            continue;
        }
        if (inBinds) {
            if (line.startsWith(QStringLiteral("-----"))) {
                inBinds = !bindRows;
                bindRows = true;
            } else if (const auto b = boundLine.match(line); b.hasMatch()) {
                view.m_binds.insert(b.captured(1), b.captured(2));
            }
            continue;
        }
        if (const auto m = spread.match(line); m.hasMatch()) {
            QString flags = m.captured(1);
            flags.removeIf([](QChar c) { return !c.isLetter() && c != u'?'; });
            ConsoleVariable variable{m.captured(2), m.captured(3), std::nullopt, flags, std::nullopt};
            if (m.hasCaptured(4))
                (kind == Engine::Ioq3 ? variable.latched : variable.defaultValue) = m.captured(4);
            view.m_variables.insert(folded(variable.name), variable);
        } else if (const auto p = printedLine.match(line); p.hasMatch()) {
            printed = folded(p.captured(1));
        } else if (const auto l = latchedLine.match(line); l.hasMatch()) {
            if (auto it = view.m_variables.find(printed); it != view.m_variables.end())
                it->latched = l.captured(1);
        }
    }
    if (at == lines.size())
        return failed(QStringLiteral("the engine's listing after this text was cut short"));
    ++at;
    return view;
}

bool ConsoleView::contains(const QString &name) const
{
    return m_variables.contains(folded(name));
}

const ConsoleVariable *ConsoleView::variable(const QString &name) const
{
    const auto it = m_variables.constFind(folded(name));
    return it == m_variables.constEnd() ? nullptr : &*it;
}

std::optional<QString> ConsoleView::value(const QString &name) const
{
    const ConsoleVariable *v = variable(name);
    return v ? std::optional<QString>(v->held()) : std::nullopt;
}

bool ConsoleView::sameAs(const ConsoleView &other, const QString &name) const
{
    return value(name) == other.value(name);
}

bool ConsoleView::refusedValue(const QString &name) const
{
    return m_log.contains(QStringLiteral("WARNING: cvar '%1'").arg(name), Qt::CaseInsensitive);
}

std::optional<QString> ConsoleView::binding(const QString &listedKey) const
{
    const auto it = m_binds.constFind(listedKey);
    return it == m_binds.constEnd() ? std::nullopt : std::optional<QString>(*it);
}

namespace {

// An etl in `place`, a folder or the program itself.
QString legacyIn(const QString &place)
{
    if (place.isEmpty())
        return {};
    const QFileInfo info(place);
    const QString program = info.isDir() ? info.filePath() + QStringLiteral("/etl") : info.filePath();
    return QFileInfo(program).isExecutable() ? program : QString();
}

} // namespace

QString ConsoleJudge::findEngine()
{
    // The environment, where it names a folder (an empty one too), wins over the build's.
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString variable = QStringLiteral("BRACKWELL_ETLEGACY");
    QString found = legacyIn(environment.value(variable));
#ifdef BRACKWELL_ETLEGACY
    if (!environment.contains(variable))
        found = legacyIn(QStringLiteral(BRACKWELL_ETLEGACY));
#endif
    if (!found.isEmpty())
        return found;
    const QString name = QStringLiteral("ioq3ded");
    found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/lib/ioquake3"), QStringLiteral("/usr/games")});
    return found;
}

QString ConsoleJudge::missingEngineMessage()
{
    return QStringLiteral("The game's console is missing: no ET: Legacy etl (tools/dev.sh builds it from the engine's "
                          "source beside the project; BRACKWELL_ETLEGACY names its folder), and no ioq3ded on the "
                          "PATH, in /usr/lib/ioquake3 or in /usr/games (the package ioquake3-server).");
}

ConsoleJudge::ConsoleJudge(QString engine) : m_engine(std::move(engine))
{
    if (!m_engine.isEmpty())
        m_kind = QFileInfo(m_engine).fileName().startsWith(QStringLiteral("etl")) ? Engine::Legacy : Engine::Ioq3;
}

QString ConsoleJudge::engineName() const
{
    switch (m_kind) {
    case Engine::Legacy: return QStringLiteral("ET: Legacy (%1)").arg(m_engine);
    case Engine::Ioq3: return QStringLiteral("ioq3ded (%1), variables only").arg(m_engine);
    case Engine::None: break;
    }
    return QStringLiteral("none");
}

QString ConsoleJudge::noBindsReason() const
{
    return QStringLiteral("Binds not judged: the judge is %1, which has no bind command; the game's own engine "
                          "judges binds where the engine's source stands beside the project (../shared/engines/"
                          "etlegacy, built by tools/dev.sh) or BRACKWELL_ETLEGACY names a built etl.")
        .arg(engineName());
}

const ConsoleRules &ConsoleJudge::rules() const
{
    return m_kind == Engine::Legacy ? legacyConsole : ioq3Console;
}

const ConsoleView &ConsoleJudge::baseline()
{
    if (!m_baseline) {
        m_latchedNames = QStringList();
        m_baseline = runBatch({QByteArray()}).value(0);
        QStringList names;
        for (const ConsoleVariable &variable : m_baseline->variables()) {
            if (variable.flags.contains(u'L'))
                names << variable.name;
        }
        names.sort();
        m_latchedNames = names;
    }
    return *m_baseline;
}

QStringList ConsoleJudge::latchedNames()
{
    baseline();
    return *m_latchedNames;
}

QList<ConsoleView> ConsoleJudge::judge(const QList<QByteArray> &files)
{
    latchedNames(); // the listing needs them before the first run
    return runBatches(files);
}

QList<ConsoleView> ConsoleJudge::judgeTexts(const QStringList &texts)
{
    QList<QByteArray> files;
    for (const QString &text : texts) {
        const ScriptBytes bytes = encodeScript(text, QStringConverter::Latin1);
        if (!bytes.ok())
            qFatal("a text for the console is not 8-bit: %s", qPrintable(bytes.error));
        files << bytes.bytes;
    }
    return judge(files);
}

// Runs after runs: a text that ends its run early is reported unjudged, the texts after it go on
// in the next run.
QList<ConsoleView> ConsoleJudge::runBatches(const QList<QByteArray> &files)
{
    QList<ConsoleView> views;
    while (views.size() < files.size()) {
        const QList<ConsoleView> batch = runBatch(files.mid(views.size(), textsPerRun));
        qsizetype kept = batch.size();
        for (qsizetype i = 0; i + 1 < batch.size(); ++i) {
            if (!batch[i].judged() && batch[i].failure().startsWith(cutShort) && !batch[i + 1].judged()) {
                kept = i + 1;
                break;
            }
        }
        views += batch.mid(0, kept);
    }
    return views;
}

QList<ConsoleView> ConsoleJudge::runBatch(const QList<QByteArray> &files)
{
    if (m_kind == Engine::None)
        return QList<ConsoleView>(files.size(), ConsoleReport::unjudged(missingEngineMessage()));

    const QString marker = newMarker();
    QList<std::pair<QString, QByteArray>> written = {
        {listingFile, listing(m_kind, m_latchedNames.value_or(QStringList()))}};
    for (int i = 0; i < files.size(); ++i) {
        const QString textMarker = QStringLiteral("%1 %2").arg(marker).arg(i);
        written.append({fileName("text", i), files.at(i)});
        QStringList driver = {QStringLiteral("echo %1 begin").arg(textMarker), QStringLiteral("exec ") + fileName("text", i),
                              // Close a /* comment the text left open, so that it ends with its own file.
                              QStringLiteral("*/"), QStringLiteral("\"*/")};
        driver += listingCommands(textMarker);
        // Wipes what the text created and puts the engine's own variables back to their defaults.
        driver << QStringLiteral("cvar_restart");
        // The restart also turns colour codes into terminal escapes again and latches the start-up
        // settings back to their defaults, which a later text's restart of a subsystem would take
        // up (the engine then tries to open a window).
        if (m_kind == Engine::Legacy)
            driver << QStringLiteral("unbindall") << QStringLiteral("set com_ansiColor 0") << QStringLiteral("set dedicated 1")
                   << QStringLiteral("set net_enabled 0") << QStringLiteral("set db_mode 0");
        if (i + 1 < files.size())
            driver << QStringLiteral("exec ") + fileName("driver", i + 1);
        written.append({fileName("driver", i), driver.join(u'\n').toLatin1() + '\n'});
    }

    const int timeoutMs = 20000 + 200 * int(files.size());
    const EngineRun run =
        runEngine(m_engine, m_kind, written, {QStringLiteral("exec ") + fileName("driver", 0)}, timeoutMs);
    QList<ConsoleView> views;
    qsizetype at = 0;
    for (int i = 0; i < files.size(); ++i)
        views << ConsoleReport::read(run, m_kind, at, QStringLiteral("%1 %2").arg(marker).arg(i), true);
    return views;
}

ConsoleView ConsoleJudge::judgeAlone(const QByteArray &file)
{
    if (m_kind == Engine::None)
        return ConsoleReport::unjudged(missingEngineMessage());
    const QString marker = newMarker();
    const QList<std::pair<QString, QByteArray>> files = {{QStringLiteral("autoexec.cfg"), file},
                                                         {listingFile, listing(m_kind, latchedNames())}};
    const QStringList commands = QStringList{QStringLiteral("exec autoexec.cfg")} + listingCommands(marker);
    const EngineRun run = runEngine(m_engine, m_kind, files, commands, 20000);
    qsizetype at = 0;
    return ConsoleReport::read(run, m_kind, at, marker, false);
}

QHash<QString, QString> ConsoleJudge::keyNames(const QStringList &words)
{
    QStringList asked;
    QList<QByteArray> probes;
    for (const QString &word : words) {
        if (m_keyNames.contains(word) || asked.contains(word))
            continue;
        // A console word holds no double quote or line break; a character above 127 alone is
        // no key number the engine can take (it indexes its key table below zero).
        const bool askable = !word.contains(u'"') && !word.contains(u'\n') && !word.contains(u'\r')
                             && std::all_of(word.cbegin(), word.cend(), [](QChar c) { return c.unicode() < 0x80; });
        if (!askable || !judgesBinds()) {
            m_keyNames.insert(word, QString());
            continue;
        }
        asked << word;
        probes << "bind \"" + word.toLatin1() + "\" x\n";
    }
    const QList<ConsoleView> views = judge(probes);
    for (qsizetype i = 0; i < asked.size(); ++i) {
        const ConsoleView &view = views.at(i);
        if (!view.judged())
            qFatal("the engine did not judge the key name %s: %s", qPrintable(asked[i]), qPrintable(view.failure()));
        m_keyNames.insert(asked[i], view.binds().isEmpty() ? QStringLiteral("") : view.binds().firstKey());
    }
    QHash<QString, QString> names;
    for (const QString &word : words)
        names.insert(word, m_keyNames.value(word));
    return names;
}

QStringList boundWords(QStringView command)
{
    QStringList words;
    QString word;
    for (QChar c : command) {
        if (c.unicode() > u' ') {
            word += c;
        } else if (!word.isEmpty()) {
            words << word;
            word.clear();
        }
    }
    if (!word.isEmpty())
        words << word;
    return words;
}

QStringList keysRunning(const ConsoleView &view, QStringView command)
{
    const QStringList words = boundWords(command);
    QStringList keys;
    for (auto it = view.binds().cbegin(); it != view.binds().cend(); ++it) {
        if (boundWords(*it) == words)
            keys << it.key();
    }
    return keys;
}

QString unquotedCommand(const char *quotedCommand)
{
    const QString quoted = QString::fromLatin1(quotedCommand);
    return quoted.mid(1, quoted.size() - 2);
}

std::optional<QString> meantValue(const SettingRow &row, const SettingValue &value)
{
    if (!value.enabled)
        return std::nullopt;
    switch (row.shape) {
    case LineShape::Text: return value.text;
    case LineShape::OnOff: return QString(value.checked ? "1" : "0");
    case LineShape::OnOffInverted: return QString(value.checked ? "0" : "1");
    case LineShape::Mapped:
        if (value.text == "BiLinear")
            return QString("GL_LINEAR_MIPMAP_NEAREST");
        if (value.text == "TriLinear")
            return QString("GL_LINEAR_MIPMAP_LINEAR");
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace brackwell::testing
