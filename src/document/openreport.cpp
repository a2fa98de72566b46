#include "document/openreport.h"

#include "console/consolecommands.h"
#include "console/consolelines.h"
#include "document/configreader.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace brackwell {

namespace {

// Text from the file as a message shows it: control characters made visible, long text cut short.
QString visible(const QString &text)
{
    constexpr qsizetype longest = 80;
    QString shown = text.left(longest);
    for (QChar &c : shown) {
        if (c.unicode() < u' ' || c.unicode() == 0x7F)
            c = c == u'\t' ? u' ' : u'?';
    }
    if (text.size() > longest)
        shown += QStringLiteral("...");
    return shown;
}

QString counted(qsizetype n, const char *what)
{
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1StringView(what)).arg(n == 1 ? "" : "s");
}

QStringList listed(const QList<FileLine> &lines, bool doubtful)
{
    QStringList listed;
    for (const FileLine &line : lines) {
        if (line.doubtful == doubtful)
            listed << QStringLiteral("line %1 (%2): %3").arg(line.number).arg(line.why, visible(line.text));
    }
    return listed;
}

bool isCatalogueVariable(QStringView name)
{
    return std::any_of(std::begin(settingRows), std::end(settingRows),
                       [&](const SettingRow &row) { return sameName(name, QLatin1StringView(row.cvar)); });
}

// The commands the window took from the file: a line holding one of them keeps only its others.
QSet<int> heldCommands(const ConfigPlaces &places)
{
    QSet<int> held(places.unbindAlls.cbegin(), places.unbindAlls.cend());
    for (const auto &setting : places.settings) {
        if (setting)
            held.insert(setting->command);
    }
    for (const auto &bind : places.classes) {
        if (bind)
            held.insert(bind->command);
    }
    for (const auto &others : places.otherClasses)
        held.unite(QSet<int>(others.cbegin(), others.cend()));
    for (const auto &script : places.scripts) {
        if (script)
            held.insert(script->bind.command);
    }
    for (const auto &blocks : places.otherScripts) {
        for (const BlockPlace &block : blocks)
            held.insert(block.bind.command);
    }
    return held;
}

// How many of the kept lines hold no command, and how many commands of each kind the others hold.
struct KeptKinds {
    qsizetype comments = 0, binds = 0, variables = 0, others = 0;
};

KeptKinds keptKinds(const ConfigRead &read)
{
    const ConfigPlaces &places = read.places;
    const QSet<int> held = heldCommands(places);
    QHash<int, QList<int>> onLine; // the commands whose first word stands on a line, by line
    for (qsizetype c = 0; c < places.commands.size(); ++c)
        onLine[places.commands[c].line].append(int(c));
    KeptKinds kinds;
    for (const FileLine &line : read.unheld) {
        if (line.doubtful)
            continue;
        const int l = line.number - 1;
        const QList<int> commands = onLine.value(l);
        if (commands.isEmpty() || l >= places.lines.size()) {
            ++kinds.comments;
            continue;
        }
        const TextSpan span = places.lines[l].text;
        for (int c : commands) {
            if (held.contains(c))
                continue;
            // The command alone, as the console cut it from the file, cut again into its words.
            const CommandSpan &at = places.commands[c];
            const qsizetype start = at.first - span.start;
            const QString text = line.text.sliced(start, std::min(at.last, span.end()) - at.first);
            const ConsoleRead words = readAsConsole(text, legacyConsole);
            const auto first = std::find_if(words.commands.cbegin(), words.commands.cend(),
                                            [](const ReadCommand &command) { return !command.words.isEmpty(); });
            using Kind = CommandEffect::Kind;
            const Kind kind = first == words.commands.cend()
                                  ? Kind::None
                                  : commandEffect(first->words, legacyConsole, isCatalogueVariable).kind;
            if (kind == Kind::Bind || kind == Kind::Unbind)
                ++kinds.binds;
            else if (kind == Kind::Set)
                ++kinds.variables;
            else
                ++kinds.others;
        }
    }
    return kinds;
}

QString keptSentence(qsizetype n, const char *one, const char *many)
{
    return n == 1 ? QStringLiteral("1 %1 is kept as it is.").arg(QLatin1StringView(one))
                  : QStringLiteral("%1 %2 are kept as they are.").arg(n).arg(QLatin1StringView(many));
}

QStringList keptCounts(const KeptKinds &kinds)
{
    QStringList lines;
    if (kinds.comments > 0)
        lines << keptSentence(kinds.comments, "comment line", "comment lines");
    if (kinds.binds > 0)
        lines << keptSentence(kinds.binds, "bind the window does not show", "binds the window does not show");
    if (kinds.variables > 0)
        lines << keptSentence(kinds.variables, "variable setting the window does not show",
                              "variable settings the window does not show");
    if (kinds.others > 0)
        lines << keptSentence(kinds.others, "other command", "other commands");
    return lines;
}

} // namespace

OpenReport openReport(const ConfigRead &read)
{
    OpenReport report;
    if (read.unheld.isEmpty() && read.notNumbers.isEmpty())
        return report;
    const GenerationInput &in = read.input;
    const auto settings = std::count_if(in.settings.cbegin(), in.settings.cend(), [](const SettingValue &v) { return v.enabled; });
    const auto ticked = [](const auto &keyed) {
        return std::count_if(keyed.cbegin(), keyed.cend(), [](const KeyedTick &k) { return k.ticked; });
    };
    QStringList parts;
    parts << QStringLiteral("The window shows %1, %2 and %3 from this file%4.")
                 .arg(counted(settings, "setting"), counted(ticked(in.scripts), "script"),
                      counted(ticked(in.classes), "class bind"), in.unbindAll ? QStringLiteral(", and UnBind All") : QString());
    if (!read.unheld.isEmpty()) {
        const qsizetype kept = read.unheld.size();
        QString text = kept == 1 ? QStringLiteral("\"Create Config\" changes only their lines and keeps the other line as it is.")
                                 : QStringLiteral("\"Create Config\" changes only their lines and keeps the other %1 lines as they are.").arg(kept);
        const QStringList doubtful = listed(read.unheld, true);
        if (!doubtful.isEmpty())
            text += doubtful.size() == 1
                        ? QStringLiteral(" The game may read one of them otherwise than the window does; the details show it first.")
                        : QStringLiteral(" The game may read %1 of them otherwise than the window does; the details show them first.")
                              .arg(doubtful.size());
        parts << text;
        // Where the game and the window may differ first, then what stays as it is by kind; the
        // lines themselves last, for the player who wants to look them over.
        QStringList sections;
        if (!doubtful.isEmpty())
            sections << doubtful.join(u'\n');
        const QStringList counts = keptCounts(keptKinds(read));
        if (!counts.isEmpty())
            sections << counts.join(u'\n');
        sections << QStringLiteral("Ctrl+G in the output box goes to a line by its number.");
        const QStringList lines = listed(read.unheld, false);
        if (!lines.isEmpty())
            sections << lines.join(u'\n');
        report.details = sections.join(QLatin1StringView("\n\n"));
    }
    if (!read.notNumbers.isEmpty()) {
        QStringList lines;
        for (const NotANumber &note : read.notNumbers)
            lines << QStringLiteral("%1 (line %2): '%3'")
                         .arg(QLatin1StringView(settingRows[note.row].captionText))
                         .arg(note.line.number)
                         .arg(visible(note.value));
        parts << QStringLiteral("The quality and FPS bars need a number where these settings have none:")
              << lines.join(u'\n')
              << QStringLiteral("The bars count only the settings before the first of them, as \"Create Config\" "
                                "does; it stops there with an error until the value is a number.");
    }
    report.text = parts.join(QLatin1StringView("\n\n"));
    return report;
}

} // namespace brackwell
