#include "document/configedit.h"

#include "console/consolecommands.h"
#include "console/consolelines.h"
#include "console/keynames.h"
#include "script/catalogue.h"
#include "script/generator.h"

#include <QMap>
#include <QSet>

#include <algorithm>
#include <vector>

namespace brackwell {

namespace {

// The places text goes in at the end, in the order a generation pass writes.
enum EndOrder { UnbindAllAtEnd, SettingsAtEnd, ScriptsAtEnd, ClassesAtEnd = ScriptsAtEnd + ScriptCount };

// Every change is noted first and the text is put together once, line by line: what is taken out,
// what is replaced and what goes in never overlap, and lines put in always stand on lines of their own.
class Editor
{
public:
    Editor(QStringView text, const ConfigRead &read)
        : m_text(text), m_read(read), m_places(read.places), m_lineGone(std::size_t(m_places.lines.size()), false)
    {
    }

    QString edit(const GenerationInput &now);

private:
    // A word written where `place` had its word, as the console reads it there. A value the console
    // cannot hold whole (a '"', a line break), which the window refuses, leaves the word as it is.
    // False where the command stays as it is: the value then goes in after it.
    bool replaceWord(const WordPlace &place, const QString &value)
    {
        const std::optional<QString> word = wordInPlace(m_text, place.word.start, place.word.end(), place.quoted, value);
        if (!word)
            return !m_places.commands[place.command].asItIs;
        if (!runsTheSame(place, *word, value))
            return false;
        m_words.insert(place.word.start, {place.word, *word});
        return true;
    }
    // Whether the game, with `word` in `place`, reads the command with `value` for the words there
    // and every other command as before. The console reads each command afresh from where it
    // starts, so a command that still ends where it did leaves the rest as it was. Where a command is
    // cut at 1,023 bytes, a word of another length moves the cut, and its search for the end, which
    // ran on into the text after the cut, may stop elsewhere and leave a comment open: from there
    // every later command is compared. A '"', "/*" or "*/" in the words replaced can also move where
    // the buffer sees a command end.
    bool runsTheSame(const WordPlace &place, const QString &word, const QString &value) const
    {
        const CommandSpan &command = m_places.commands[place.command];
        // Words over several lines (a "/*" comment between them) are replaced on their first only.
        if (place.word.end() > m_places.lines[lineAt(place.word.start)].text.end())
            return false;
        // Inside a cut command's search a '/' or '*' could end it elsewhere: opened again, the
        // window would leave the command to the file.
        if (command.searchedIntoAfterCut && (word.contains(u'/') || word.contains(u'*')))
            return false;
        const qsizetype from = command.readFrom;
        const bool cut = command.cut >= 0 || command.asItIs || command.searchedIntoAfterCut;
        const qsizetype to = cut ? m_text.size() : std::min(m_text.size(), command.searchedTo + 2);
        const QString was = m_text.sliced(from, to - from).toString();
        QString is = was;
        const qsizetype placeStart = place.word.start - from, placeEnd = place.word.end() - from;
        is.replace(placeStart, place.word.length, word);
        const TextBytes bytes = m_places.utf8 ? TextBytes::Utf8 : TextBytes::OnePerCharacter;
        const QList<ReadCommand> before = readAsConsole(was, legacyConsole, bytes).commands;
        const QList<ReadCommand> after = readAsConsole(is, legacyConsole, bytes).commands;
        if (before.isEmpty() || before.size() != after.size())
            return false;
        const qsizetype shift = word.size() - place.word.length;
        if (!cut && (after.front().ending != before.front().ending
                     || after.front().end != before.front().end + (before.front().end >= placeEnd ? shift : 0)))
            return false;
        // The words in the place become the value's one word.
        bool put = false;
        for (qsizetype c = 0; c < before.size(); ++c) {
            QStringList expected, got;
            for (const ReadWord &w : before[c].words) {
                const bool inPlace = w.end > placeStart && w.start < placeEnd;
                if (inPlace && !put)
                    expected << value;
                if (!inPlace)
                    expected << w.text;
                put = put || inPlace;
            }
            for (const ReadWord &w : after[c].words)
                got << w.text;
            if (got != expected)
                return false;
        }
        return put;
    }
    void removeCommand(int command)
    {
        if (!m_places.commands[command].asItIs)
            m_removed.insert(command);
    }
    // Whether a line put in before `line` would go inside text a cut command's search ran over.
    bool insideCutSearch(int line) const
    {
        return line > 0 && line < lineCount() && m_places.lines[line].asItIs && m_places.lines[line - 1].asItIs;
    }
    void removeLines(int first, int last);
    // Text put in before line `line` (the line count: at the end), in the order of `order` there.
    void insert(int line, int order, const QString &text) { m_insertions[line].insert(order, text); }
    // Whether the file binds `key` again after the bind `command`: a key changed there would not
    // reach the game, so the bind moves to the end.
    bool boundLater(int command, const QString &key) const
    {
        return m_places.lastOnKey.value(keyIdentity(key), -1) > command;
    }
    QString put(const QString &line) const { return line + m_places.lineBreak; }
    // A bind leaving its key: the key would go back to the binds it overrode, so they go with it.
    void freeKey(const WordPlace &bind)
    {
        for (int earlier : m_places.onKey.value(m_places.keyOf.value(bind.command))) {
            if (earlier < bind.command)
                removeCommand(earlier);
        }
    }
    int lineCount() const { return int(m_places.lines.size()); }
    // The line that holds text position `at`.
    int lineAt(qsizetype at) const { return lineHolding(m_places.lines, at); }
    // Whether the game stops reading inside a line, after text of it that still runs.
    bool endsInside() const
    {
        return m_places.endLine < lineCount() && m_places.endAt > m_places.lines[m_places.endLine].text.start;
    }

    void editSettings(const GenerationInput &now);
    bool bindGoesToEnd(const WordPlace *place, const KeyedTick &was, const KeyedTick &is);
    void editScripts(const GenerationInput &now);
    void editClasses(const GenerationInput &now);
    void editUnbindAll(const GenerationInput &now);
    void takeOutEmptiedLines();
    QString lineText(int line) const;
    QString assemble() const;

    QStringView m_text;
    const ConfigRead &m_read;
    const ConfigPlaces &m_places;
    std::vector<bool> m_lineGone;
    QSet<int> m_removed;                             // commands taken out
    QMap<qsizetype, std::pair<TextSpan, QString>> m_words; // words replaced, by start
    QMap<int, QMap<int, QString>> m_insertions;      // by the line they go before
    QMap<int, QString> m_beforeLine;                 // by the line whose start they go before, always
};

void Editor::removeLines(int first, int last)
{
    for (int l = first; l <= last; ++l) {
        // A line that must stay whole (a "/*" over its break, a NUL) loses its commands only.
        if (!m_places.lines[l].staysWhole) {
            m_lineGone[std::size_t(l)] = true;
            continue;
        }
        for (int c = 0; c < int(m_places.commands.size()); ++c) {
            if (m_places.commands[c].line == l)
                removeCommand(c);
        }
    }
}

void Editor::editSettings(const GenerationInput &now)
{
    QString added;
    // A value put in goes after every command that sets its variable, also one the window did not
    // take (a value the row cannot hold) and one whose value it could not change in place.
    int afterSetters = -1;
    const auto addLine = [&](int row, const QString &value) {
        added += put(settingLine(settingRows[row], value));
        for (int command : m_places.setters[std::size_t(row)])
            afterSetters = std::max(afterSetters, lineAt(std::max(m_places.commands[command].first, m_places.commands[command].last - 1)));
    };
    for (int i = 0; i < SettingCount; ++i) {
        const SettingRow &row = settingRows[i];
        const SettingValue &was = m_read.input.settings[std::size_t(i)];
        const SettingValue &is = now.settings[std::size_t(i)];
        const std::optional<QString> value = is.enabled ? writtenValue(row, is) : std::nullopt;
        const std::optional<WordPlace> &place = m_places.settings[std::size_t(i)];
        if (m_places.presets[std::size_t(i)]) {
            // A player's preset stays; a new value goes in after it. Nothing can take a variable's
            // value away, so switched off, the preset still sets it.
            if (value && (!was.enabled || writtenValue(row, was) != value))
                addLine(i, *value);
        } else if (!place) {
            if (value)
                addLine(i, *value);
        } else if (value) {
            if ((!was.enabled || writtenValue(row, was) != value) && !replaceWord(*place, *value))
                addLine(i, *value);
        } else if (was.enabled) {
            // Switched off: every command that sets the variable goes, or an earlier one would win.
            for (int command : m_places.setters[std::size_t(i)])
                removeCommand(command);
        }
    }
    // After the last line the window took something from, and after every command that may change
    // a row's variable otherwise, where no "/*" comment is open.
    const int after = std::max({m_places.lastHeldLine.value_or(-1), m_places.lastReachingLine.value_or(-1), afterSetters});
    int line = after >= 0 ? std::min(after + 1, m_places.endLine) : m_places.endLine;
    while (line < m_places.endLine && (m_places.lines[line].inComment || insideCutSearch(line)))
        ++line;
    if (!added.isEmpty())
        insert(line, SettingsAtEnd, added);
}

// A script or class bind: true when the file's own bind goes and the window's goes in at the end.
// A held one stays where it is while its key stays, or takes the new key there unless the file binds
// that key again later; one the window did not hold goes in when it is ticked now.
bool Editor::bindGoesToEnd(const WordPlace *place, const KeyedTick &was, const KeyedTick &is)
{
    if (!place)
        return is.ticked;
    if (is.ticked && is.key == was.key)
        return false;
    freeKey(*place);
    if (is.ticked && !boundLater(place->command, is.key) && replaceWord(*place, is.key))
        return false;
    return is.ticked;
}

void Editor::editScripts(const GenerationInput &now)
{
    for (int b = 0; b < ScriptCount; ++b) {
        const KeyedTick &is = now.scripts[std::size_t(b)];
        const std::optional<BlockPlace> &place = m_places.scripts[std::size_t(b)];
        const bool toEnd = bindGoesToEnd(place ? &place->bind : nullptr, m_read.input.scripts[std::size_t(b)], is);
        if (place && (!is.ticked || toEnd))
            removeLines(place->firstLine, place->lastLine);
        if (place && !is.ticked) {
            for (const BlockPlace &other : m_places.otherScripts[std::size_t(b)]) {
                removeLines(other.firstLine, other.lastLine);
                freeKey(other.bind);
            }
        }
        if (toEnd) {
            const ScriptBlock &block = scriptBlocks[b];
            QString text = m_places.lineBreak;
            for (int l = 0; l < block.lineCount; ++l)
                text += put(QLatin1StringView(block.lines[l]));
            insert(m_places.endLine, ScriptsAtEnd + b, text + put(bindLine(is.key, block.quotedCommand)));
        }
    }
}

void Editor::editClasses(const GenerationInput &now)
{
    for (int k = 0; k < ClassBindCount; ++k) {
        const KeyedTick &is = now.classes[std::size_t(k)];
        const std::optional<WordPlace> &place = m_places.classes[std::size_t(k)];
        const bool toEnd = bindGoesToEnd(place ? &*place : nullptr, m_read.input.classes[std::size_t(k)], is);
        if (place && (!is.ticked || toEnd))
            removeCommand(place->command);
        if (place && !is.ticked) {
            for (int other : m_places.otherClasses[std::size_t(k)]) {
                removeCommand(other);
                freeKey(WordPlace{other, {}, false});
            }
        }
        if (toEnd)
            insert(m_places.endLine, ClassesAtEnd + k, m_places.lineBreak + put(bindLine(is.key, classBinds[k].quotedCommand)));
    }
}

void Editor::editUnbindAll(const GenerationInput &now)
{
    if (m_read.input.unbindAll && !now.unbindAll) {
        // The binds an unbindall cleared go with it: without it they would come back.
        for (int command : m_places.unbindAlls)
            removeCommand(command);
        for (int command : m_places.clearedBinds)
            removeCommand(command);
    } else if (!m_read.input.unbindAll && now.unbindAll) {
        const QString line = put(QLatin1StringView(unbindAllLine));
        // Before the first bind, never after one: it would clear that bind in the game.
        if (m_places.firstBindLine) {
            // Before the line where a "/*" comment the bind's line starts in opens.
            int at = *m_places.firstBindLine;
            while (at > 0 && (m_places.lines[at].inComment || insideCutSearch(at)))
                --at;
            // Before the line's start even where lines put in at the end go inside it (a NUL there).
            m_beforeLine.insert(at, line);
        }
        else
            insert(m_places.endLine, UnbindAllAtEnd, m_places.lineBreak + line);
    }
}

// A line whose every command goes is taken out whole, with a blank line before it where that one
// would otherwise stand alone before another blank line or the end.
void Editor::takeOutEmptiedLines()
{
    std::vector<int> commands(m_lineGone.size(), 0), removed(m_lineGone.size(), 0);
    for (int c = 0; c < int(m_places.commands.size()); ++c) {
        const std::size_t line = std::size_t(m_places.commands[c].line);
        ++commands[line];
        removed[line] += m_removed.contains(c) ? 1 : 0;
    }
    std::vector<bool> taken(m_lineGone.size(), false);
    for (std::size_t l = 0; l < m_lineGone.size(); ++l) {
        if (commands[l] > 0 && removed[l] == commands[l] && !m_places.lines[int(l)].staysWhole)
            m_lineGone[l] = true;
        taken[l] = m_lineGone[l];
    }
    const auto white = [&](int l) { return m_places.lines[l].white && !m_lineGone[std::size_t(l)]; };
    for (int l = 0; l < lineCount(); ++l) {
        if (!taken[std::size_t(l)] || (l > 0 && taken[std::size_t(l - 1)]))
            continue;
        int last = l;
        while (last + 1 < lineCount() && taken[std::size_t(last + 1)])
            ++last;
        if (l > 0 && white(l - 1) && (last + 1 == lineCount() || white(last + 1)))
            m_lineGone[std::size_t(l - 1)] = true;
    }
}

// A line kept, with its words replaced and its commands taken out; a comment after the last stays.
QString Editor::lineText(int line) const
{
    const LineSpan &span = m_places.lines[line];
    QList<std::pair<TextSpan, QString>> changes;
    const auto first = std::lower_bound(m_places.commands.cbegin(), m_places.commands.cend(), line,
                                        [](const CommandSpan &c, int l) { return c.line < l; });
    QList<int> here;
    for (auto it = first; it != m_places.commands.cend() && it->line == line; ++it)
        here.append(int(it - m_places.commands.cbegin()));
    int lastKept = -1;
    for (int c : here) {
        if (!m_removed.contains(c))
            lastKept = c;
    }
    for (qsizetype i = 0; i < here.size(); ++i) {
        const int c = here[i];
        if (!m_removed.contains(c))
            continue;
        const CommandSpan &command = m_places.commands[c];
        if (c < lastKept) // up to the next command's first word
            changes.append({{command.first, m_places.commands[here[i + 1]].first - command.first}, QString()});
        else if (i > 0 && here[i - 1] == lastKept) { // from the last kept command's end, over its separator
            // A command the console cuts keeps its text up to the cut and the character the cut
            // drops: without that character the line would end at the cut and the command run whole.
            const CommandSpan &kept = m_places.commands[lastKept];
            const qsizetype from = std::max(kept.last, std::min(kept.cut + 1, command.first));
            changes.append({{from, command.last - from}, QString()});
        }
        else if (i > 0) // one of several at the end: the one before it began the cut
            changes.back().first.length = command.last - changes.back().first.start;
        else // every command goes from a line that must stay
            changes.append({{command.first, command.last - command.first}, QString()});
    }
    for (auto it = m_words.lowerBound(span.text.start); it != m_words.cend() && it.key() <= span.text.end(); ++it)
        changes.append(it.value());
    // Lines put in where the game stops reading inside this line go there, on lines of their own.
    if (line == m_places.endLine && endsInside() && m_insertions.contains(line)) {
        QString text = m_places.lineBreak;
        for (const QString &part : m_insertions.value(line))
            text += part;
        changes.append({{m_places.endAt, 0}, text});
    }
    std::sort(changes.begin(), changes.end(), [](const auto &a, const auto &b) { return a.first.start < b.first.start; });
    QString out;
    qsizetype at = span.text.start;
    for (const auto &[cut, text] : changes) {
        if (cut.start < at || cut.start > span.text.end())
            continue; // a word inside a command taken out
        out += m_text.sliced(at, cut.start - at);
        out += text;
        // A command a "/*" comment carries over the line break is cut at the line's end.
        at = std::min(cut.end(), span.text.end());
    }
    out += m_text.sliced(at, span.text.end() - at);
    return out;
}

QString Editor::assemble() const
{
    QString out;
    out.reserve(m_text.size() + 256);
    const auto putIn = [&](int line) {
        const auto it = m_insertions.constFind(line);
        if (it == m_insertions.cend() || (line == m_places.endLine && endsInside()))
            return;
        // Lines put in after a last line without a line break start on a line of their own.
        if (!out.isEmpty() && !out.endsWith(u'\n') && !out.endsWith(u'\r'))
            out += m_places.lineBreak;
        for (const QString &text : it.value())
            out += text;
    };
    bool lastBreakKept = true;
    for (int l = 0; l < lineCount(); ++l) {
        out += m_beforeLine.value(l);
        putIn(l);
        if (m_lineGone[std::size_t(l)])
            continue;
        const LineSpan &span = m_places.lines[l];
        out += lineText(l);
        out += m_text.sliced(span.text.end(), span.breakEnd - span.text.end());
        lastBreakKept = span.breakEnd > span.text.end();
    }
    const bool endsOpen = !m_text.isEmpty() && m_text.back() != u'\n' && m_text.back() != u'\r';
    // A file without a last line break keeps that when its last lines go.
    if (endsOpen && lastBreakKept && m_lineGone.back() && !m_insertions.contains(lineCount())) {
        const QString &lineBreak = m_places.lineBreak;
        if (out.endsWith(lineBreak))
            out.chop(lineBreak.size());
        else if (out.endsWith(u'\n') || out.endsWith(u'\r'))
            out.chop(out.endsWith(QLatin1StringView("\r\n")) ? 2 : 1);
    }
    putIn(lineCount());
    return out;
}

QString Editor::edit(const GenerationInput &now)
{
    editUnbindAll(now);
    editSettings(now);
    editScripts(now);
    editClasses(now);
    takeOutEmptiedLines();
    return assemble();
}

} // namespace

QString editConfig(QStringView text, const ConfigRead &read, const GenerationInput &now)
{
    return Editor(text, read).edit(now);
}

QString unwritableValueMessage(const GenerationInput &now)
{
    for (int i = 0; i < SettingCount; ++i) {
        const SettingValue &is = now.settings[std::size_t(i)];
        const std::optional<QString> value = is.enabled ? writtenValue(settingRows[i], is) : std::nullopt;
        if (!value)
            continue;
        const char *character = value->contains(u'"') ? "a double quote"
                                : value->contains(u'\n') || value->contains(u'\r') ? "a line break" : nullptr;
        if (character)
            return QStringLiteral("The value of \"%1\" holds %2, which the game cannot keep inside a value: in the "
                                  "file it would end the value early and change the commands after it. Take it out to "
                                  "create the config.")
                .arg(QLatin1StringView(settingRows[i].captionText), QLatin1StringView(character));
    }
    return {};
}

} // namespace brackwell
