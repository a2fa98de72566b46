#include "settings/configreader.h"

#include "keys/keynames.h"
#include "settings/consolelines.h"
#include "settings/number.h"
#include "settings/savemessages.h"

#include <QDir>
#include <QHash>
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

// A bind that the game carries out: `bind <key> <command...>` with a key it can name.
bool bindsKey(const ConsoleCommand &command)
{
    return command.words.size() >= 3 && sameName(command.words[0], "bind") && !keyIdentity(command.words[1]).isEmpty();
}

// A bind of one key to exactly `text`, as the window writes its class binds and script blocks.
bool bindsTo(const ConsoleCommand &command, QStringView text)
{
    return command.clear && command.words.size() == 3 && bindsKey(command) && command.words[2] == text;
}

qsizetype nextNonBlank(const QList<ConsoleLine> &lines, qsizetype at)
{
    while (at < lines.size() && lines[at].blank())
        ++at;
    return at;
}

// A whole script block from line `first` on: its lines in order (blank lines between them
// allowed) and then its bind line. The index of the bind line, or -1.
qsizetype matchBlock(const QList<ConsoleLine> &lines, qsizetype first, int block)
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
    const ConsoleLine &bind = lines[at];
    if (!bind.clear || bind.commands.size() != 1 || !bindsTo(bind.commands.front(), models.commands[block]))
        return -1;
    return at;
}

// Where a whole script block stands in the file.
struct Occurrence {
    qsizetype first = -1, bindLine = -1;
};

// Every whole block of each script, in the file's order.
std::array<QList<Occurrence>, ScriptCount> wholeBlocks(const QList<ConsoleLine> &lines)
{
    std::array<QList<Occurrence>, ScriptCount> blocks;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        if (lines[l].blank())
            continue;
        for (int b = 0; b < ScriptCount; ++b) {
            const qsizetype bindLine = matchBlock(lines, l, b);
            if (bindLine >= 0) {
                blocks[std::size_t(b)].append({l, bindLine});
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

// A command by its line and its place on the line; the file's order is theirs.
struct Place {
    qsizetype line = -1;
    qsizetype command = -1;
    bool valid() const { return line >= 0; }
    bool operator<(const Place &other) const
    {
        return line != other.line ? line < other.line : command < other.command;
    }
    bool operator==(const Place &other) const { return line == other.line && command == other.command; }
};

// The value words of a command that sets a variable: `seta|set <name> <value> [unsafe]` or a bare
// `<name> <value...>`, as the console takes them; the range of words, or none.
struct Setter {
    int row = -1;
    qsizetype firstValue = 0, lastValue = 0; // word indices
};
std::optional<Setter> setterOf(const ConsoleCommand &command)
{
    const QList<QStringView> &words = command.words;
    if (isSet(words[0])) {
        if (words.size() < 3)
            return std::nullopt; // prints the value
        const int row = rowOfVariable(words[1]);
        if (row < 0)
            return std::nullopt;
        qsizetype last = words.size() - 1;
        // The game writes a trailing "unsafe" after some values and strips it when it reads them.
        if (last > 2 && sameName(words[last], "unsafe"))
            --last;
        return Setter{row, 2, last};
    }
    if (words.size() < 2)
        return std::nullopt;
    const int row = rowOfVariable(words[0]);
    if (row < 0)
        return std::nullopt;
    return Setter{row, 1, words.size() - 1};
}

class Reader
{
public:
    explicit Reader(QStringView text) : m_text(text), m_lines(splitConsoleLines(text)) {}

    ConfigRead read();

private:
    qsizetype offset(QStringView view) const { return view.data() - m_text.data(); }
    TextSpan span(QStringView view) const { return {offset(view), view.size()}; }
    bool whiteLine(qsizetype l) const { return m_lines[l].text.trimmed().isEmpty(); }
    TextSpan wholeLine(qsizetype l) const;
    std::optional<TextSpan> blankBefore(qsizetype first, qsizetype last) const;
    LinePlace linePlace(qsizetype l) const;
    CommandPlace commandPlace(const Place &place, qsizetype firstWord, qsizetype lastWord) const;
    const ConsoleCommand &command(const Place &place) const { return m_lines[place.line].commands[place.command]; }

    void findBinds();
    void takeScripts(ConfigRead &read);
    void takeSettings(ConfigRead &read);
    void takeClasses(ConfigRead &read);
    void listLines(ConfigRead &read) const;

    QStringView m_text;
    QList<ConsoleLine> m_lines;
    // Per line and command: the window took it.
    std::vector<std::vector<bool>> m_held;
    std::vector<bool> m_doubtful;
    std::vector<bool> m_inHeldBlock;
    // What each key is left with: the place of its last bind or unbind.
    QHash<QString, Place> m_lastOnKey;
    Place m_lastUnbindAll;
    QList<Place> m_unbindAlls;
    QList<Place> m_binds;
    std::optional<qsizetype> m_firstBindLine;
};

TextSpan Reader::wholeLine(qsizetype l) const
{
    const qsizetype start = offset(m_lines[l].text);
    const qsizetype end = l + 1 < m_lines.size() ? offset(m_lines[l + 1].text) : m_text.size();
    return {start, end - start};
}

std::optional<TextSpan> Reader::blankBefore(qsizetype first, qsizetype last) const
{
    if (first == 0 || !whiteLine(first - 1))
        return std::nullopt;
    if (last + 1 < m_lines.size() && !whiteLine(last + 1))
        return std::nullopt;
    return wholeLine(first - 1);
}

LinePlace Reader::linePlace(qsizetype l) const
{
    LinePlace place;
    place.text = span(m_lines[l].text);
    place.whole = wholeLine(l);
    for (QStringView piece : m_lines[l].pieces)
        place.pieces.append(span(piece));
    place.blankBefore = blankBefore(l, l);
    return place;
}

CommandPlace Reader::commandPlace(const Place &at, qsizetype firstWord, qsizetype lastWord) const
{
    const ConsoleCommand &c = command(at);
    CommandPlace place;
    place.line = linePlace(at.line);
    place.piece = c.piece;
    const qsizetype start = offset(c.words[firstWord]);
    place.word = {start, offset(c.words[lastWord]) + c.words[lastWord].size() - start};
    place.quoted = firstWord == lastWord && c.quoted[firstWord];
    return place;
}

// Which binds the file leaves in place: the last bind or unbind of each key, unless an
// unbindall comes after it.
void Reader::findBinds()
{
    for (qsizetype l = 0; l < m_lines.size(); ++l) {
        const ConsoleLine &line = m_lines[l];
        if (!line.clear)
            continue;
        for (qsizetype c = 0; c < line.commands.size(); ++c) {
            const QList<QStringView> &words = line.commands[c].words;
            if (words.size() == 1 && sameName(words[0], "unbindall")) {
                m_lastUnbindAll = {l, c};
                m_unbindAlls.append({l, c});
            } else if (bindsKey(line.commands[c])) {
                m_lastOnKey.insert(keyIdentity(words[1]), {l, c});
                m_binds.append({l, c});
                if (!m_firstBindLine)
                    m_firstBindLine = offset(line.text);
            } else if (words.size() == 2 && sameName(words[0], "unbind") && !keyIdentity(words[1]).isEmpty()) {
                m_lastOnKey.insert(keyIdentity(words[1]), {l, c});
            }
        }
    }
}

void Reader::takeScripts(ConfigRead &read)
{
    const std::array<QList<Occurrence>, ScriptCount> blocks = wholeBlocks(m_lines);
    for (int b = 0; b < ScriptCount; ++b) {
        // The last whole block whose bind the file leaves on its key.
        const QList<Occurrence> &found = blocks[std::size_t(b)];
        for (auto it = found.crbegin(); it != found.crend(); ++it) {
            const Place bind{it->bindLine, 0};
            const QStringView key = command(bind).words[1];
            if (!(m_lastOnKey.value(keyIdentity(key)) == bind) || bind < m_lastUnbindAll)
                continue;
            read.input.scripts[std::size_t(b)] = {true, key.toString()};
            BlockPlace place;
            place.lines = {offset(m_lines[it->first].text), wholeLine(it->bindLine).end() - offset(m_lines[it->first].text)};
            place.blankBefore = blankBefore(it->first, it->bindLine);
            place.bind = commandPlace(bind, 1, 1);
            read.places.scripts[std::size_t(b)] = place;
            for (qsizetype l = it->first; l <= it->bindLine; ++l) {
                m_held[std::size_t(l)].assign(m_held[std::size_t(l)].size(), true);
                m_inHeldBlock[std::size_t(l)] = true;
            }
            break;
        }
    }
}

void Reader::takeSettings(ConfigRead &read)
{
    std::array<Place, SettingCount> lastSet;
    std::array<Setter, SettingCount> setters;
    for (qsizetype l = 0; l < m_lines.size(); ++l) {
        if (!m_lines[l].clear)
            continue;
        for (qsizetype c = 0; c < m_lines[l].commands.size(); ++c) {
            if (const std::optional<Setter> setter = setterOf(m_lines[l].commands[c])) {
                lastSet[std::size_t(setter->row)] = {l, c};
                setters[std::size_t(setter->row)] = *setter;
            }
        }
    }
    for (int row = 0; row < SettingCount; ++row) {
        const Place &last = lastSet[std::size_t(row)];
        if (!last.valid())
            continue;
        const Setter &setter = setters[std::size_t(row)];
        const ConsoleCommand &c = command(last);
        read.places.settings[std::size_t(row)] = commandPlace(last, setter.firstValue, setter.lastValue);
        SettingValue &setting = read.input.settings[std::size_t(row)];
        // A value the control cannot hold, or one the game's versions read differently, leaves
        // the row off at its default.
        if (c.clear && setter.firstValue == setter.lastValue
            && holdValue(settingRows[row], c.words[setter.firstValue], setting)) {
            setting.enabled = true;
            m_held[std::size_t(last.line)][std::size_t(last.command)] = true;
            if (meterReadsNumber(settingRows[row]) && !parseNumber(setting.text))
                read.notNumbers.append({row, {m_lines[last.line].number, m_lines[last.line].text.toString()}, setting.text});
        } else {
            m_doubtful[std::size_t(last.line)] = true;
        }
    }
}

void Reader::takeClasses(ConfigRead &read)
{
    // The latest bind of each class that the file leaves on its key.
    for (auto it = m_binds.crbegin(); it != m_binds.crend(); ++it) {
        const ConsoleCommand &c = command(*it);
        if (!c.clear || c.words.size() != 3 || *it < m_lastUnbindAll
            || !(m_lastOnKey.value(keyIdentity(c.words[1])) == *it))
            continue;
        const int k = classOfCommand(c.words[2]);
        if (k < 0 || read.input.classes[std::size_t(k)].ticked)
            continue;
        read.input.classes[std::size_t(k)] = {true, c.words[1].toString()};
        read.places.classes[std::size_t(k)] = commandPlace(*it, 1, 1);
        m_held[std::size_t(it->line)][std::size_t(it->command)] = true;
    }
}

void Reader::listLines(ConfigRead &read) const
{
    for (qsizetype l = 0; l < m_lines.size(); ++l) {
        const ConsoleLine &line = m_lines[l];
        const std::vector<bool> &held = m_held[std::size_t(l)];
        const bool doubtful = m_doubtful[std::size_t(l)] || !line.clear
                              || std::any_of(line.commands.cbegin(), line.commands.cend(),
                                             [](const ConsoleCommand &c) { return !c.clear; });
        const bool allHeld = m_inHeldBlock[std::size_t(l)] || (!held.empty() && std::all_of(held.cbegin(), held.cend(), [](bool h) { return h; }));
        if (doubtful || (!allHeld && !line.blank()))
            read.unheld.append({line.number, line.text.toString(), doubtful});
    }
}

ConfigRead Reader::read()
{
    ConfigRead read;
    read.input = defaultInput();
    for (SettingValue &setting : read.input.settings)
        setting.enabled = false;
    m_held.resize(std::size_t(m_lines.size()));
    for (qsizetype l = 0; l < m_lines.size(); ++l)
        m_held[std::size_t(l)].assign(std::size_t(m_lines[l].commands.size()), false);
    m_doubtful.assign(std::size_t(m_lines.size()), false);
    m_inHeldBlock.assign(std::size_t(m_lines.size()), false);

    findBinds();
    takeScripts(read);
    takeSettings(read);
    takeClasses(read);
    // Any unbindall ticks UnBind All: the game clears every bind there, whatever stands before.
    read.input.unbindAll = !m_unbindAlls.isEmpty();
    for (const Place &place : m_unbindAlls) {
        read.places.unbindAlls.append(commandPlace(place, 0, 0));
        m_held[std::size_t(place.line)][std::size_t(place.command)] = true;
    }
    listLines(read);

    read.places.firstBindLine = m_firstBindLine;
    for (auto it = m_lastOnKey.cbegin(); it != m_lastOnKey.cend(); ++it)
        read.places.lastOnKey.insert(it.key(), offset(command(it.value()).words[0]));
    for (qsizetype l = m_lines.size() - 1; l >= 0; --l) {
        const std::vector<bool> &held = m_held[std::size_t(l)];
        if (m_inHeldBlock[std::size_t(l)] || std::find(held.cbegin(), held.cend(), true) != held.cend()) {
            read.places.afterLastHeld = wholeLine(l).end();
            break;
        }
    }
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        if (m_text[i] == u'\n' || m_text[i] == u'\r') {
            read.places.lineBreak = m_text.sliced(i, m_text.sliced(i).startsWith(u"\r\n") ? 2 : 1).toString();
            break;
        }
    }
    return read;
}

} // namespace

QString configFileText(const QByteArray &bytes, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(encoding);
    return decoder.decode(bytes);
}

DecodedConfig decodeConfigFile(const QByteArray &bytes, QStringConverter::Encoding eightBit)
{
    const bool ascii = std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; });
    if (!ascii) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return {text, QStringConverter::Utf8};
    }
    return {configFileText(bytes, eightBit), eightBit};
}

ConfigRead readConfig(QStringView text)
{
    return Reader(text).read();
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

namespace {

QString counted(qsizetype n, const char *what)
{
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1StringView(what)).arg(n == 1 ? "" : "s");
}

QStringList listed(const QList<FileLine> &lines, bool doubtful)
{
    QStringList listed;
    for (const FileLine &line : lines) {
        if (line.doubtful == doubtful)
            listed << QStringLiteral("line %1: %2").arg(line.number).arg(visible(line.text));
    }
    return listed;
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
        QStringList details = doubtful;
        if (!doubtful.isEmpty())
            details << QString();
        details << listed(read.unheld, false);
        report.details = details.join(u'\n').trimmed();
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
