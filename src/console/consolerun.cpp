#include "console/consolerun.h"

#include "console/consolecommands.h"

namespace brackwell {

namespace {

// A value running vstrs deeper than this, or more commands than this, loops: the game runs it until
// its command buffer is full, where no one can say what last ran.
constexpr int deepestVstr = 64;
constexpr qsizetype mostVstrCommands = 4096;

class Runner
{
public:
    explicit Runner(const ConsoleRules &rules) : m_rules(rules) {}

    ConsoleRun run(const ConsoleRead &read)
    {
        for (qsizetype i = 0; i < read.commands.size(); ++i) {
            m_command = i;
            if (readsOnBeyondItsValue(read.commands[i])) {
                unknown({}, QStringLiteral("it reads on past its end into bytes earlier commands left, which change with any "
                                           "edit before it"));
                continue;
            }
            runCommand(read.commands[i].words, 0);
        }
        return std::move(m_run);
    }

private:
    // A command whose words run on into the console's line buffer, where earlier commands left their
    // bytes, does what those bytes make it: only a setting's value or a bind's command may take
    // them in and still set that variable or bind that key; anything else (a vstr, whose count of
    // words decides whether it runs) may do something else after any edit before it.
    bool readsOnBeyondItsValue(const ReadCommand &command) const
    {
        if (!command.readsOn || command.words.isEmpty())
            return false;
        const CommandEffect e = commandEffect(command.words, m_rules);
        const bool valueOnly = (e.kind == CommandEffect::Kind::Set || e.kind == CommandEffect::Kind::Bind)
                               && command.words.size() >= 3 && command.words[1].end < command.end;
        return !valueOnly;
    }

    void unknown(const QString &variable, const QString &why)
    {
        auto it = m_run.unknown.find(m_command);
        // What may change every variable says more than what changes one.
        if (it == m_run.unknown.end() || (!it->variable.isEmpty() && variable.isEmpty()))
            m_run.unknown.insert(m_command, {variable, why});
    }

    void runCommand(const QList<ReadWord> &words, int depth)
    {
        if (words.isEmpty())
            return;
        const QString &name = words[0].text;
        const CommandEffect effect = commandEffect(words, m_rules);
        if (effect.kind == CommandEffect::Kind::Set) {
            m_values.insert(effect.name.toLower(), effect.value);
        } else if (sameName(name, QLatin1StringView("vstr")) && words.size() == 2) {
            runVstr(words[1].text, depth);
        } else if (sameName(name, QLatin1StringView("exec")) || sameName(name, QLatin1StringView("execq"))) {
            unknown({}, QStringLiteral("exec runs another file, which may change any setting"));
        } else if (sameName(name, QLatin1StringView("cvar_restart"))) {
            unknown({}, QStringLiteral("cvar_restart sets every setting back"));
        } else if (words.size() >= 2
                   && (sameName(name, QLatin1StringView("toggle")) || sameName(name, QLatin1StringView("cycle"))
                       || sameName(name, QLatin1StringView("reset")) || sameName(name, QLatin1StringView("unset")))) {
            // What it leaves depends on the value before it or on the game's own default.
            m_values.remove(words[1].text.toLower());
            unknown(words[1].text, QStringLiteral("%1 changes %2").arg(name.toLower(), words[1].text));
        }
    }

    void runVstr(const QString &variable, int depth)
    {
        const auto it = m_values.constFind(variable.toLower());
        if (it == m_values.cend()) {
            unknown({}, QStringLiteral("vstr runs %1, which this file does not set").arg(variable));
            return;
        }
        QList<QList<ReadWord>> &ran = m_run.ranByVstr[m_command];
        if (it->contains(QLatin1StringView("/*")) || depth >= deepestVstr || ran.size() >= mostVstrCommands) {
            unknown({}, QStringLiteral("vstr runs %1, whose end the window cannot follow").arg(variable));
            return;
        }
        const ConsoleRead value = readAsConsole(*it, m_rules);
        for (const ReadCommand &command : value.commands) {
            if (command.words.isEmpty())
                continue;
            ran.append(command.words);
            runCommand(command.words, depth + 1);
        }
    }

    const ConsoleRules &m_rules;
    ConsoleRun m_run;
    QHash<QString, QString> m_values; // by lower-case name
    qsizetype m_command = 0;
};

} // namespace

ConsoleRun runVstrs(const ConsoleRead &read, const ConsoleRules &rules)
{
    return Runner(rules).run(read);
}

} // namespace brackwell
