#include "support/consolejudge.h"

#include "settings/filebytes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <utility>

namespace brackwell::testing {

const ConsoleRules judgeConsole = {"ioq3ded", true, false, false, false, 0, false};
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

const QString gameFolder = QStringLiteral("judge");
// The engine refuses to start with a default.cfg that is missing or holds no byte at all.
const QByteArray defaultConfig = "// the engine needs this file to hold something\n";

// The texts of one engine run share a folder; each goes in by its own name.
QString fileName(int index)
{
    return QStringLiteral("text%1.cfg").arg(index, 3, 10, QLatin1Char('0'));
}

// The engine reads the whole driver into its command buffer (128 KB, about 140 bytes a text);
// past some 900 texts it overflows.
constexpr int textsPerRun = 200;

// cvarlist: flags, the name, the value in quotes; some builds add a latched value.
const QRegularExpression listedLine(
    QString::fromLatin1(R"re(^([^"]*) (\S+) "([^"]*)"(?:,? latched:? "([^"]*)")?\s*$)re"));
// A variable typed alone prints itself, and its latched value on the next line.
const QRegularExpression printedLine(QString::fromLatin1(R"re(^"([^"]*)" is:")re"));
const QRegularExpression latchedLine(QString::fromLatin1(R"re(^latched: "([^"]*)"\s*$)re"));

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

struct EngineRun {
    QStringList lines;
    QString problem; // why the run did not end as it should, or empty
};

// Runs the engine on a fresh base folder holding `files` in its game folder, with `commands` as
// the `+` commands after the start-up.
EngineRun runEngine(const QString &engine, const QList<std::pair<QString, QByteArray>> &files,
                    const QStringList &commands, int timeoutMs)
{
    EngineRun run;
    QTemporaryDir root;
    const QString base = root.filePath(QStringLiteral("base"));
    const QString home = root.filePath(QStringLiteral("home"));
    const QString game = base + u'/' + gameFolder;
    if (!root.isValid() || !QDir().mkpath(game) || !QDir().mkpath(home)) {
        run.problem = QStringLiteral("cannot make the engine's folders");
        return run;
    }
    bool written = writeFile(game + QStringLiteral("/default.cfg"), defaultConfig);
    for (const auto &[name, bytes] : files)
        written = written && writeFile(game + u'/' + name, bytes);
    if (!written) {
        run.problem = QStringLiteral("cannot write the engine's files");
        return run;
    }

    QStringList arguments = {"+set", "fs_basepath",    base, "+set", "fs_homepath", home,
                             "+set", "com_basegame",   gameFolder,
                             "+set", "com_standalone", "1",
                             "+set", "dedicated",      "1",
                             "+set", "net_enabled",    "0"};
    // The engine joins its arguments into one command line, quoting those with a blank, and
    // splits that at each '+': every word has to be an argument of its own.
    for (const QString &command : commands)
        arguments += (u'+' + command).split(u' ');
    arguments << QStringLiteral("+quit");

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The server reads console commands from its standard input.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(engine, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.problem = process.error() == QProcess::FailedToStart
                          ? QStringLiteral("%1 did not start: %2").arg(engine, process.errorString())
                          : QStringLiteral("the engine did not end within %1 s").arg(timeoutMs / 1000);
    } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        run.problem = QStringLiteral("the engine ended with code %1").arg(process.exitCode());
    }
    // Values are 8-bit text; Latin-1 keeps every byte as one character. The engine ends its lines
    // with LF alone: a CR in a line is text it printed (an echoed word holding a line break).
    const QString output = QString::fromLatin1(process.readAll());
    run.lines = output.split(u'\n');
    return run;
}

const QString listingFile = QStringLiteral("listing.cfg");

// Lists every variable, then prints each variable that can hold a latched value, which shows it.
QByteArray listing(const QStringList &latchedNames)
{
    return (QStringList{QStringLiteral("cvarlist")} + latchedNames).join(u'\n').toLatin1() + '\n';
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

} // namespace

// Fills in views from the engine's output; the one place that does.
struct ConsoleReport {
    static ConsoleView unjudged(const QString &why)
    {
        ConsoleView view;
        view.m_failure = why;
        return view;
    }
    static ConsoleView read(const EngineRun &run, qsizetype &at, const QString &marker, bool hasBegin);
};

// Reads one text's report: its log up to the list marker, then the listing up to the end marker.
ConsoleView ConsoleReport::read(const EngineRun &run, qsizetype &at, const QString &marker, bool hasBegin)
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
            return failed(QStringLiteral("the engine's report on this text was cut short: ") + lines.at(at));
        log << lines.at(at++);
    }
    view.m_log = log.join(u'\n');
    if (at == lines.size())
        return failed(QStringLiteral("the engine never listed its variables after this text"));
    ++at;
    QString printed; // the variable whose print the next latched line belongs to
    while (at < lines.size() && lines.at(at) != marker + QStringLiteral(" end")) {
        const QString &line = lines.at(at++);
        if (const auto m = listedLine.match(line); m.hasMatch()) {
            ConsoleVariable variable{m.captured(2), m.captured(3), std::nullopt, m.captured(1)};
            if (m.hasCaptured(4))
                variable.latched = m.captured(4);
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

QString ConsoleJudge::findEngine()
{
    const QString name = QStringLiteral("ioq3ded");
    QString found = QStandardPaths::findExecutable(name);
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/lib/ioquake3"),
                                                      QStringLiteral("/usr/games")});
    return found;
}

QString ConsoleJudge::missingEngineMessage()
{
    return QStringLiteral("The game's console is missing: no ioq3ded on the PATH, in /usr/lib/ioquake3 or in "
                          "/usr/games. Install the package ioquake3-server (tools/dev.sh does).");
}

ConsoleJudge::ConsoleJudge(QString engine) : m_engine(std::move(engine)) {}

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
    QList<ConsoleView> views;
    for (qsizetype from = 0; from < files.size(); from += textsPerRun)
        views += runBatch(files.mid(from, textsPerRun));
    return views;
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

QList<ConsoleView> ConsoleJudge::runBatch(const QList<QByteArray> &files)
{
    if (m_engine.isEmpty())
        return QList<ConsoleView>(files.size(), ConsoleReport::unjudged(missingEngineMessage()));

    const QString marker = newMarker();
    QList<std::pair<QString, QByteArray>> written = {{listingFile, listing(m_latchedNames.value_or(QStringList()))}};
    QStringList driver;
    for (int i = 0; i < files.size(); ++i) {
        const QString textMarker = QStringLiteral("%1 %2").arg(marker).arg(i);
        written.append({fileName(i), files.at(i)});
        driver << QStringLiteral("echo %1 begin").arg(textMarker) << QStringLiteral("exec ") + fileName(i)
               // Close a /* comment the text left open, so that it ends with its own file.
               << QStringLiteral("*/") << QStringLiteral("\"*/");
        driver += listingCommands(textMarker);
        // Wipes what the text created and puts the engine's own variables back to their defaults.
        driver << QStringLiteral("cvar_restart");
    }
    written.append({QStringLiteral("driver.cfg"), driver.join(u'\n').toLatin1() + '\n'});

    const int timeoutMs = 20000 + 200 * int(files.size());
    const EngineRun run = runEngine(m_engine, written, {QStringLiteral("exec driver.cfg")}, timeoutMs);
    QList<ConsoleView> views;
    qsizetype at = 0;
    for (int i = 0; i < files.size(); ++i)
        views << ConsoleReport::read(run, at, QStringLiteral("%1 %2").arg(marker).arg(i), true);
    return views;
}

ConsoleView ConsoleJudge::judgeAlone(const QByteArray &file)
{
    if (m_engine.isEmpty())
        return ConsoleReport::unjudged(missingEngineMessage());
    const QString marker = newMarker();
    const QList<std::pair<QString, QByteArray>> files = {{QStringLiteral("autoexec.cfg"), file},
                                                         {listingFile, listing(latchedNames())}};
    const QStringList commands = QStringList{QStringLiteral("exec autoexec.cfg")} + listingCommands(marker);
    const EngineRun run = runEngine(m_engine, files, commands, 20000);
    qsizetype at = 0;
    return ConsoleReport::read(run, at, marker, false);
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
