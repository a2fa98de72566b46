#include "settings/configreader.h"

#include "settings/consolelines.h"
#include "settings/number.h"
#include "settings/saving.h"

#include <QDir>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace brackwell {

namespace {

// Command and variable names are compared as the game compares them: without regard to case.
bool sameName(QStringView word, const char *name)
{
    return word.compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0;
}

bool isSet(QStringView word)
{
    return sameName(word, "seta") || sameName(word, "set");
}

// A key the generator writes bare and the console reads back as the same single word.
bool isPlainKey(QStringView key)
{
    if (key.isEmpty() || key.contains(QLatin1StringView("//")) || key.contains(QLatin1StringView("/*")))
        return false;
    for (QChar c : key) {
        if (c.unicode() <= u' ' || c.unicode() >= 0x7F || c == u'"' || c == u';')
            return false;
    }
    return true;
}

// A catalogue command without the double quotes it is written in.
QLatin1StringView unquoted(const char *quotedCommand)
{
    const QLatin1StringView command(quotedCommand);
    return command.sliced(1, command.size() - 2);
}

bool sameCommand(const ConsoleCommand &a, const ConsoleCommand &b)
{
    if (!a.clear || a.words.size() != b.words.size())
        return false;
    for (qsizetype i = 0; i < a.words.size(); ++i) {
        const bool name = i == 0 || (i == 1 && isSet(a.words[0]));
        if (a.words[i].compare(b.words[i], name ? Qt::CaseInsensitive : Qt::CaseSensitive) != 0)
            return false;
    }
    return true;
}

bool sameLine(const ConsoleLine &line, const ConsoleLine &model)
{
    if (!line.clear || line.comment != model.comment || line.commands.size() != model.commands.size())
        return false;
    for (qsizetype i = 0; i < line.commands.size(); ++i) {
        if (!sameCommand(line.commands[i], model.commands[i]))
            return false;
    }
    return true;
}

// A line that is one bind of a single plain key: `bind <key> <command>`.
struct Bind {
    QStringView key;
    QStringView command;
};
std::optional<Bind> bindOn(const ConsoleLine &line)
{
    if (!line.clear || !line.comment.isEmpty() || line.commands.size() != 1)
        return std::nullopt;
    const ConsoleCommand &command = line.commands.front();
    if (!command.clear || command.words.size() != 3 || !sameName(command.words[0], "bind")
        || !isPlainKey(command.words[1]))
        return std::nullopt;
    return Bind{command.words[1], command.words[2]};
}

// The script blocks' fixed lines, read by the same rules as a file.
struct BlockModels {
    std::array<QString, ScriptCount> texts;
    std::array<QList<ConsoleLine>, ScriptCount> lines;
    std::array<QString, ScriptCount> commands;
};

const BlockModels &blockModels()
{
    static const BlockModels models = [] {
        BlockModels m;
        for (int b = 0; b < ScriptCount; ++b) {
            for (int l = 0; l < scriptBlocks[b].lineCount; ++l)
                m.texts[b] += QLatin1StringView(scriptBlocks[b].lines[l]) + u'\n';
            m.commands[b] = unquoted(scriptBlocks[b].quotedCommand).toString();
        }
        // Split only once every text is in place: the lines point into them.
        for (int b = 0; b < ScriptCount; ++b)
            m.lines[b] = splitConsoleLines(m.texts[b]);
        return m;
    }();
    return models;
}

qsizetype nextNonBlank(const QList<ConsoleLine> &lines, qsizetype at)
{
    while (at < lines.size() && lines[at].blank())
        ++at;
    return at;
}

// A whole script block from line `first` on: its lines in order (blank lines between them
// allowed) and then its bind line. The index of the bind line, or -1.
qsizetype matchBlock(const QList<ConsoleLine> &lines, qsizetype first, int block, QString &key)
{
    const BlockModels &models = blockModels();
    qsizetype at = first;
    for (const ConsoleLine &model : models.lines[block]) {
        at = nextNonBlank(lines, at);
        if (at >= lines.size() || !sameLine(lines[at], model))
            return -1;
        ++at;
    }
    at = nextNonBlank(lines, at);
    if (at >= lines.size())
        return -1;
    const std::optional<Bind> bind = bindOn(lines[at]);
    if (!bind || bind->command != models.commands[block])
        return -1;
    key = bind->key.toString();
    return at;
}

// Where a whole script block stands in the file.
struct Occurrence {
    qsizetype first = -1, bindLine = -1;
    QString key;
};

// The last whole block of each script, the one the window holds.
std::array<Occurrence, ScriptCount> lastWholeBlocks(const QList<ConsoleLine> &lines)
{
    std::array<Occurrence, ScriptCount> blocks;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        if (lines[l].blank())
            continue;
        for (int b = 0; b < ScriptCount; ++b) {
            QString key;
            const qsizetype bindLine = matchBlock(lines, l, b, key);
            if (bindLine >= 0) {
                blocks[std::size_t(b)] = {l, bindLine, key};
                l = bindLine;
                break;
            }
        }
    }
    return blocks;
}

int rowOfVariable(QStringView name)
{
    for (int i = 0; i < SettingCount; ++i) {
        if (sameName(name, settingRows[i].cvar))
            return i;
    }
    return -1;
}

int classOfCommand(QStringView command)
{
    for (int i = 0; i < ClassBindCount; ++i) {
        if (command == unquoted(classBinds[i].quotedCommand))
            return i;
    }
    return -1;
}

// Puts a value from the file into a row; false when the row's control cannot hold it.
bool holdValue(const SettingRow &row, QStringView value, SettingValue &into)
{
    switch (row.shape) {
    case LineShape::Text:
        into.text = value.toString();
        return true;
    case LineShape::OnOff:
    case LineShape::OnOffInverted:
        if (value != u"0" && value != u"1")
            return false;
        into.checked = (value == u"1") != (row.shape == LineShape::OnOffInverted);
        return true;
    case LineShape::Mapped:
        for (const TextureMode &mode : textureModes) {
            if (value == QLatin1StringView(mode.glName)) {
                into.text = QString::fromLatin1(mode.listText);
                return true;
            }
        }
        return false;
    }
    return false;
}

// What became of one command of the file.
enum class Fate {
    Unheld,     // no window state writes it
    Held,       // the window holds it
    Superseded, // a later line sets the same variable: the game never sees this value
};

struct Place {
    qsizetype line = -1;
    qsizetype command = -1;
};

FileLine fileLine(const ConsoleLine &line)
{
    return {line.number, line.text.toString()};
}

// Every line with a command the window does not hold, a comment outside a held script block, or
// text the game's versions read differently. Blank lines and superseded settings are not listed.
QList<FileLine> unheldLines(const QList<ConsoleLine> &lines, const std::vector<std::vector<Fate>> &fates,
                            const std::vector<bool> &inHeldBlock)
{
    QList<FileLine> unheld;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const ConsoleLine &line = lines[l];
        if (line.blank() || inHeldBlock[std::size_t(l)])
            continue;
        const std::vector<Fate> &lineFates = fates[std::size_t(l)];
        if (!line.clear || !line.comment.isEmpty()
            || std::find(lineFates.begin(), lineFates.end(), Fate::Unheld) != lineFates.end())
            unheld.append(fileLine(line));
    }
    return unheld;
}

} // namespace

QString configFileText(const QByteArray &bytes, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(encoding);
    return decoder.decode(bytes);
}

ConfigRead readConfig(QStringView text)
{
    ConfigRead read;
    read.input = defaultInput();
    for (SettingValue &setting : read.input.settings)
        setting.enabled = false;

    const QList<ConsoleLine> lines = splitConsoleLines(text);
    std::vector<std::vector<Fate>> fates(std::size_t(lines.size()));
    for (qsizetype l = 0; l < lines.size(); ++l)
        fates[std::size_t(l)].assign(std::size_t(lines[l].commands.size()), Fate::Unheld);
    std::vector<bool> inHeldBlock(std::size_t(lines.size()), false);

    const std::array<Occurrence, ScriptCount> blocks = lastWholeBlocks(lines);
    for (int b = 0; b < ScriptCount; ++b) {
        const Occurrence &block = blocks[std::size_t(b)];
        if (block.first < 0)
            continue;
        read.input.scripts[std::size_t(b)] = {true, block.key};
        for (qsizetype l = block.first; l <= block.bindLine; ++l)
            inHeldBlock[std::size_t(l)] = true;
    }

    std::array<Place, SettingCount> lastSet;
    std::array<Place, ClassBindCount> lastClass;
    bool bindSeen = false;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const ConsoleLine &line = lines[l];
        if (!line.clear)
            continue;
        for (qsizetype c = 0; c < line.commands.size(); ++c) {
            const ConsoleCommand &command = line.commands[c];
            Fate &fate = fates[std::size_t(l)][std::size_t(c)];
            const QList<QStringView> &words = command.words;
            const bool isBind = sameName(words[0], "bind") && words.size() >= 3;
            if (inHeldBlock[std::size_t(l)]) {
                fate = Fate::Held;
                bindSeen = bindSeen || isBind;
                continue;
            }
            if (!command.clear)
                continue;
            if (words.size() == 3 && isSet(words[0])) {
                const int row = rowOfVariable(words[1]);
                if (row >= 0) {
                    Place &last = lastSet[std::size_t(row)];
                    if (last.line >= 0)
                        fates[std::size_t(last.line)][std::size_t(last.command)] = Fate::Superseded;
                    last = {l, c};
                }
            } else if (words.size() == 1 && sameName(words[0], "unbindall")) {
                // The window writes UnbindAll before every bind; one after a bind clears that
                // bind in the game, which no window state writes.
                if (!bindSeen) {
                    read.input.unbindAll = true;
                    fate = Fate::Held;
                }
            } else if (isBind) {
                bindSeen = true;
                if (const std::optional<Bind> bind = bindOn(line)) {
                    const int k = classOfCommand(bind->command);
                    if (k >= 0)
                        lastClass[std::size_t(k)] = {l, c};
                }
            }
        }
    }

    for (int row = 0; row < SettingCount; ++row) {
        const Place &last = lastSet[std::size_t(row)];
        if (last.line < 0)
            continue;
        const QStringView value = lines[last.line].commands[last.command].words[2];
        SettingValue &setting = read.input.settings[std::size_t(row)];
        // A value the control cannot hold leaves the row off, at its default.
        if (holdValue(settingRows[row], value, setting)) {
            setting.enabled = true;
            fates[std::size_t(last.line)][std::size_t(last.command)] = Fate::Held;
        }
    }
    for (int k = 0; k < ClassBindCount; ++k) {
        const Place &last = lastClass[std::size_t(k)];
        if (last.line < 0)
            continue;
        read.input.classes[std::size_t(k)] = {true, lines[last.line].commands[last.command].words[1].toString()};
        fates[std::size_t(last.line)][std::size_t(last.command)] = Fate::Held;
    }

    read.unheld = unheldLines(lines, fates, inHeldBlock);

    for (int row = 0; row < SettingCount; ++row) {
        const SettingValue &setting = read.input.settings[std::size_t(row)];
        if (setting.enabled && meterReadsNumber(settingRows[row]) && !parseNumber(setting.text)) {
            const Place &last = lastSet[std::size_t(row)];
            read.notNumbers.append({row, fileLine(lines[last.line]), setting.text});
        }
    }
    return read;
}

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

} // namespace

QString openReport(const ConfigRead &read)
{
    constexpr qsizetype listed = 20;
    QStringList parts;
    if (!read.unheld.isEmpty()) {
        QStringList lines;
        for (qsizetype i = 0; i < read.unheld.size() && i < listed; ++i)
            lines << QStringLiteral("line %1: %2").arg(read.unheld[i].number).arg(visible(read.unheld[i].text));
        if (read.unheld.size() > listed) {
            const qsizetype more = read.unheld.size() - listed;
            lines << QStringLiteral("... and %1 more line%2").arg(more).arg(more == 1 ? "" : "s");
        }
        parts << QStringLiteral("The window's controls cannot hold these lines of the file. They are still in the "
                                "output box:")
              << lines.join(u'\n')
              << QStringLiteral("\"Create Config\" builds the script from the window alone and leaves them out. "
                                "Add them again on the \"Extra Binds/Other CVARs\" tab after \"Create Config\", or "
                                "keep them by saving without pressing \"Create Config\".");
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
    return parts.join(QLatin1StringView("\n\n"));
}

QString cannotOpenMessage(const QString &path, const QString &description)
{
    return QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), systemReason(description));
}

QString tooLargeMessage(const QString &path)
{
    return QStringLiteral("The file \"%1\" is too large for a config script: saved with CR LF line breaks, it "
                          "holds more than %2 KiB")
        .arg(QDir::toNativeSeparators(path))
        .arg(maxConfigFileSize / 1024);
}

} // namespace brackwell
