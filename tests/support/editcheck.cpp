#include "support/editcheck.h"

#include "console/keynames.h"
#include "script/catalogue.h"
#include "console/consolecommands.h"

#include <QSet>

#include <algorithm>

#include <map>

namespace brackwell::testing {

GenerationInput changedState(RandomState &random, const GenerationInput &was)
{
    GenerationInput now = was;
    for (int i = 0; i < SettingCount; ++i) {
        SettingValue &value = now.settings[std::size_t(i)];
        if (random.chance(15))
            value.enabled = !value.enabled;
        if (random.chance(20)) {
            value.checked = random.chance(50);
            value.text = random.text({true, true, true}).left(200); // a line the console reads whole
        }
    }
    for (int n = random.below(3); n >= 0; --n) {
        for (KeyedTick *keyed : {&now.scripts[std::size_t(random.below(ScriptCount))],
                                 &now.classes[std::size_t(random.below(ClassBindCount))]}) {
            if (random.chance(50))
                keyed->ticked = !keyed->ticked;
            if (random.chance(50))
                keyed->key = random.keyName();
        }
    }
    if (random.chance(20))
        now.unbindAll = !now.unbindAll;
    keepLastBindOfEachKey(now);
    return now;
}

namespace {

struct GameEnd {
    std::map<QString, QString> variables; // by lower-case name; set and seta forms only
    std::map<QString, QString> keys;      // by key identity; empty: unbound
    QSet<QString> unpromised;             // variables and keys set by a command that read past its end
};

// Runs the commands of `read` into `end`; a vstr of a variable set before it runs its value's
// commands in its place (the game puts them at the front of the buffer), as deep as the game goes.
void run(const ConsoleRead &read, GameEnd &end, std::map<QString, QString> &values, int depth)
{
    for (const ReadCommand &command : read.commands) {
        const CommandEffect e = commandEffect(command.words, legacyConsole);
        if (e.kind == CommandEffect::Kind::Set)
            values[e.name.toLower()] = e.value;
        if (command.words.size() == 2 && command.words[0].text.compare(QLatin1StringView("vstr"), Qt::CaseInsensitive) == 0) {
            if (const auto value = values.find(command.words[1].text.toLower()); value != values.end() && depth < 64)
                run(readAsConsole(value->second, legacyConsole), end, values, depth + 1);
            continue;
        }
        // What a command read past its end in the line buffer, an edit of any command before it
        // changes: no edit can promise that.
        if (command.readsOn && (e.kind == CommandEffect::Kind::Set || e.kind == CommandEffect::Kind::Bind))
            end.unpromised << (e.kind == CommandEffect::Kind::Set ? e.name.toLower() : keyIdentity(e.name));
        switch (e.kind) {
        case CommandEffect::Kind::Set: end.variables[e.name.toLower()] = e.value; break;
        case CommandEffect::Kind::Bind:
        case CommandEffect::Kind::Unbind: end.keys[keyIdentity(e.name)] = e.value; break;
        case CommandEffect::Kind::UnbindAll:
            for (auto &[key, bound] : end.keys)
                bound.clear();
            break;
        default: break;
        }
    }
}

GameEnd gameEnd(QStringView text, TextBytes bytes)
{
    GameEnd end;
    std::map<QString, QString> values;
    run(readAsConsole(text, legacyConsole, bytes), end, values, 0);
    return end;
}

// The variables the window's rows and scripts set, by lower-case name.
const QSet<QString> &windowVariables()
{
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const SettingRow &row : settingRows)
            set << QString::fromLatin1(row.cvar).toLower();
        for (const ScriptBlock &block : scriptBlocks) {
            for (int l = 0; l < block.lineCount; ++l) {
                const QString line = QString::fromLatin1(block.lines[l]);
                const ConsoleRead read = readAsConsole(line, legacyConsole);
                for (const ReadCommand &command : read.commands) {
                    const CommandEffect e = commandEffect(command.words, legacyConsole);
                    if (e.kind == CommandEffect::Kind::Set)
                        set << e.name.toLower();
                }
            }
        }
        return set;
    }();
    return names;
}

QString stateBreach(const ConfigRead &was, const GenerationInput &now, const ConfigRead &edited)
{
    const GenerationInput &again = edited.input;
    for (int i = 0; i < SettingCount; ++i) {
        const SettingRow &row = settingRows[i];
        const std::optional<QString> meant = now.settings[std::size_t(i)].enabled ? writtenValue(row, now.settings[std::size_t(i)]) : std::nullopt;
        // Nothing takes a variable's value away: a player's preset still sets a row switched off,
        // also one that a later line set again before the row went off.
        if (!meant && (was.places.presets[std::size_t(i)] || edited.places.presets[std::size_t(i)]))
            continue;
        // Nor does switching it off take out a setter the edit leaves whole (one over several lines).
        const QList<int> &setters = was.places.setters[std::size_t(i)];
        if (!meant && std::any_of(setters.cbegin(), setters.cend(), [&](int c) { return was.places.commands[c].asItIs; }))
            continue;
        const std::optional<QString> read = again.settings[std::size_t(i)].enabled ? writtenValue(row, again.settings[std::size_t(i)]) : std::nullopt;
        if (meant != read)
            return QStringLiteral("row %1 reads back as \"%2\", not \"%3\"")
                .arg(QLatin1StringView(row.cvar), read.value_or("off").left(80), meant.value_or("off").left(80));
    }
    if (now.unbindAll != again.unbindAll)
        return QStringLiteral("UnBind All reads back otherwise");
    const auto keyed = [](const auto &a, const auto &b, const char *what) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i].ticked != b[i].ticked || (a[i].ticked && keyIdentity(a[i].key) != keyIdentity(b[i].key)))
                return QStringLiteral("%1 %2 reads back as %3 %4").arg(QLatin1StringView(what)).arg(i).arg(b[i].ticked).arg(b[i].key);
        }
        return QString();
    };
    const QString scripts = keyed(now.scripts, again.scripts, "script");
    return scripts.isEmpty() ? keyed(now.classes, again.classes, "class bind") : scripts;
}

QSet<QString> heldKeys(const GenerationInput &input)
{
    QSet<QString> keys;
    const auto add = [&keys](const KeyedTick &k) { keys << (k.ticked ? keyIdentity(k.key) : QString()); };
    std::for_each(input.scripts.cbegin(), input.scripts.cend(), add);
    std::for_each(input.classes.cbegin(), input.classes.cend(), add);
    return keys;
}

// The lines that hold nothing the window reads or writes: no setting of a row's variable, no bind,
// unbind or unbindall, no line of a script block.
QStringList untouchable(QStringView text, const ConfigRead &read, TextBytes bytes)
{
    const ConfigPlaces &places = read.places;
    std::vector<bool> touched(std::size_t(places.lines.size()), false);
    const ConsoleRead console = readAsConsole(text, legacyConsole, bytes);
    int line = 0;
    for (const ReadCommand &command : console.commands) {
        if (command.words.isEmpty())
            continue;
        while (line + 1 < places.lines.size() && places.lines[line + 1].text.start <= command.words.front().start)
            ++line;
        const CommandEffect e = commandEffect(command.words, legacyConsole);
        const bool window = e.kind == CommandEffect::Kind::Bind || e.kind == CommandEffect::Kind::Unbind
                         || e.kind == CommandEffect::Kind::UnbindAll || windowVariables().contains(command.words[0].text.toLower())
                         || (e.kind == CommandEffect::Kind::Set && windowVariables().contains(e.name.toLower()));
        // A command over several lines ("/*" carries it) touches them all.
        for (int l = line; window && l < places.lines.size() && places.lines[l].text.start < command.words.back().end; ++l)
            touched[std::size_t(l)] = true;
    }
    QList<BlockPlace> blocks;
    for (std::size_t b = 0; b < places.scripts.size(); ++b) {
        if (places.scripts[b])
            blocks << *places.scripts[b] << places.otherScripts[b];
    }
    for (const BlockPlace &block : std::as_const(blocks))
        for (int l = block.firstLine; l <= block.lastLine; ++l)
            touched[std::size_t(l)] = true;
    // Lines put in at the end may split the line where the game stops reading.
    if (places.endLine < places.lines.size())
        touched[std::size_t(places.endLine)] = true;
    QStringList lines;
    for (qsizetype l = 0; l < places.lines.size(); ++l) {
        if (!touched[std::size_t(l)] && !places.lines[l].white)
            lines << text.sliced(places.lines[l].text.start, places.lines[l].text.length).toString();
    }
    return lines;
}

} // namespace

bool editPromised(QStringView text, const ConfigRead &read, bool utf8)
{
    const QList<ReadCommand> commands = readAsConsole(text, legacyConsole, utf8 ? TextBytes::Utf8 : TextBytes::OnePerCharacter).commands;
    return std::none_of(commands.cbegin(), commands.cend(), [&](const ReadCommand &command) {
        return !command.words.isEmpty() && command.words.back().end > read.places.endAt;
    });
}

QString editBreach(QStringView text, const ConfigRead &read, const GenerationInput &now, QStringView edited, bool utf8)
{
    const TextBytes bytes = utf8 ? TextBytes::Utf8 : TextBytes::OnePerCharacter;
    const ConfigRead again = readConfig(edited, utf8);
    if (const QString state = stateBreach(read, now, again); !state.isEmpty())
        return state;
    const GameEnd before = gameEnd(text, bytes), after = gameEnd(edited, bytes);
    const QSet<QString> unpromised = before.unpromised + after.unpromised;
    for (const auto &[name, value] : before.variables) {
        if (unpromised.contains(name))
            continue;
        if (!windowVariables().contains(name) && after.variables.count(name) && after.variables.at(name) != value)
            return QStringLiteral("variable %1 ends as \"%2\", not \"%3\"").arg(name, after.variables.at(name), value);
        if (!windowVariables().contains(name) && !after.variables.count(name))
            return QStringLiteral("variable %1 is no longer set").arg(name);
    }
    QSet<QString> held = heldKeys(read.input) + heldKeys(now) + unpromised;
    // Keys the file binds to a script or class bind of the window's belong to it too.
    for (const auto &entry : before.keys) {
        const QString &key = entry.first, &bound = entry.second; // a lambda captures no structured binding
        const auto windows = [&bound](const char *quoted) { return bound == QLatin1StringView(quoted).sliced(1).chopped(1); };
        if (std::any_of(std::begin(scriptBlocks), std::end(scriptBlocks), [&](const ScriptBlock &b) { return windows(b.quotedCommand); })
            || std::any_of(std::begin(classBinds), std::end(classBinds), [&](const ClassBind &c) { return windows(c.quotedCommand); }))
            held << key;
    }
    const auto boundTo = [](const GameEnd &end, const QString &key) {
        const auto it = end.keys.find(key);
        return it == end.keys.end() ? QString() : it->second;
    };
    for (const auto &keys : {before.keys, after.keys}) {
        for (const auto &[key, bound] : keys) {
            if (!held.contains(key) && boundTo(before, key) != boundTo(after, key))
                return QStringLiteral("key %1 runs \"%2\", not \"%3\"").arg(key, boundTo(after, key), boundTo(before, key));
        }
    }
    // The lines left alone stand in the edited text in their order, byte for byte.
    const QStringList kept = untouchable(text, read, bytes);
    qsizetype at = 0;
    for (qsizetype l = 0; l < again.places.lines.size() && at < kept.size(); ++l) {
        const TextSpan span = again.places.lines[l].text;
        if (edited.sliced(span.start, span.length) == kept[at])
            ++at;
    }
    return at == kept.size() ? QString() : QStringLiteral("the line \"%1\" is lost").arg(kept[at]);
}

} // namespace brackwell::testing
