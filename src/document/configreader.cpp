#include "document/configreader.h"

#include "console/keynames.h"
#include "console/consolecommands.h"
#include "console/consolelines.h"
#include "console/consolerun.h"
#include "script/number.h"
#include "platform/savemessages.h"

#include <QDir>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace brackwell {

namespace {

bool isCatalogueVariable(QStringView name)
{
    return std::any_of(std::begin(settingRows), std::end(settingRows),
                       [&](const SettingRow &row) { return sameName(name, QLatin1StringView(row.cvar)); });
}

int rowOfVariable(QStringView name)
{
    for (int i = 0; i < SettingCount; ++i) {
        if (sameName(name, QLatin1StringView(settingRows[i].cvar)))
            return i;
    }
    return -1;
}

// A catalogue command without the double quotes it is written in.
QLatin1StringView unquoted(const char *quotedCommand)
{
    const QLatin1StringView command(quotedCommand);
    return command.sliced(1, command.size() - 2);
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
        // The game compares texture mode names without regard to case.
        for (const TextureMode &mode : textureModes) {
            if (value.compare(QLatin1StringView(mode.glName), Qt::CaseInsensitive) == 0) {
                into.text = QString::fromLatin1(mode.listText);
                return true;
            }
        }
        return false;
    }
    return false;
}

// What a row's control can hold, for the open message's details.
QString holdsOnly(const SettingRow &row)
{
    if (row.shape == LineShape::Mapped)
        return QStringLiteral("\"%1\" holds only the listed texture modes").arg(QLatin1StringView(row.captionText));
    return QStringLiteral("\"%1\" holds only 0 or 1").arg(QLatin1StringView(row.captionText));
}

// A command's words as two readings compare them: command and variable names without regard to case.
bool sameWords(const QList<ReadWord> &a, const QList<ReadWord> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const bool name = i == 0 || (i == 1 && isSetCommand(a[0].text));
        if (a[i].text.compare(b[i].text, name ? Qt::CaseInsensitive : Qt::CaseSensitive) != 0)
            return false;
    }
    return true;
}

// The commands with words of one version's reading, each with its line.
struct Reading {
    QList<const ReadCommand *> commands;
    QList<int> lines;
};

Reading commandsOf(const ConsoleRead &read, const QList<LineSpan> &lines)
{
    Reading reading;
    int line = 0;
    for (const ReadCommand &command : read.commands) {
        if (command.words.isEmpty())
            continue;
        const qsizetype at = command.words.front().start;
        while (line + 1 < lines.size() && lines[line + 1].text.start <= at)
            ++line;
        reading.commands.append(&command);
        reading.lines.append(line);
    }
    return reading;
}

// The script blocks' fixed lines: a comment, or one command as the game reads it.
struct ModelLine {
    QString comment;
    QList<ReadWord> words;
};
struct BlockModels {
    std::array<QList<ModelLine>, ScriptCount> lines;
    std::array<QString, ScriptCount> commands;
};

const BlockModels &blockModels()
{
    static const BlockModels models = [] {
        BlockModels m;
        for (int b = 0; b < ScriptCount; ++b) {
            for (int l = 0; l < scriptBlocks[b].lineCount; ++l) {
                const QString line = QLatin1StringView(scriptBlocks[b].lines[l]);
                const ConsoleRead read = readAsConsole(line, legacyConsole);
                ModelLine model;
                for (const ReadCommand &command : read.commands) {
                    if (!command.words.isEmpty())
                        model.words = command.words;
                }
                if (model.words.isEmpty())
                    model.comment = line.trimmed();
                m.lines[b].append(model);
            }
            m.commands[b] = unquoted(scriptBlocks[b].quotedCommand).toString();
        }
        return m;
    }();
    return models;
}

class Reader
{
public:
    Reader(QStringView text, bool utf8) : m_text(text), m_utf8(utf8) {}

    ConfigRead read();

private:
    void splitLines();
    void findEffects();
    void findBlocks();
    void takeScripts();
    void takeSettings();
    void takeClasses();
    void compareVersions();
    void listLines();

    const QList<ReadWord> &words(int c) const { return m_legacy.commands[c]->words; }
    // The index of command c among every command of ET: Legacy's reading, empty ones included.
    qsizetype readIndex(int c) const { return m_legacy.commands[c] - m_legacyRead.commands.constData(); }
    const ConsoleRun::Unknown *unknownAt(int c) const
    {
        const auto it = m_run.unknown.constFind(readIndex(c));
        return it == m_run.unknown.cend() ? nullptr : &*it;
    }
    WordPlace wordPlace(int c, qsizetype first, qsizetype last) const;
    int lineOf(int c) const { return m_legacy.lines[c]; }
    void hold(int c) { m_held[std::size_t(c)] = true; }
    void note(int line, const QString &why, bool doubtful = false);
    void endBeforeOpenCommand();
    void keepCutCommands();
    void keepTangledCommands();
    void keepAsItIs(int c, const QString &why);
    bool asItIs(int c) const { return m_places.commands[c].asItIs; }
    // The line that holds text position `at`.
    int lineAt(qsizetype at) const { return lineHolding(m_places.lines, at); }

    // Whether ET: Legacy may take more bytes into a word of the value than the word shows.
    bool leadByteIn(int c, qsizetype first, qsizetype last) const;

    QStringView m_text;
    bool m_utf8 = false;
    ConfigRead m_read;
    ConfigPlaces &m_places = m_read.places;
    ConsoleRead m_legacyRead, m_originalRead;
    Reading m_legacy, m_original;
    std::vector<CommandEffect> m_effects;
    std::vector<bool> m_held;
    std::vector<bool> m_inHeldBlock; // per line
    std::vector<QString> m_why;      // per line: why it is listed, where known
    std::vector<bool> m_doubtful;    // per line
    int m_lastUnbindAll = -1;
    ConsoleRun m_run;
    // Per row, the last top-level vstr that sets its variable, and the value it leaves.
    std::array<std::optional<std::pair<int, QString>>, SettingCount> m_vstrSets;
    std::array<bool, SettingCount> m_endElsewhere{}; // per row: a preset or an unknown command decides it
    // Where the command starts whose buffer search, cut at 1,023 bytes, runs to the text's end.
    std::optional<qsizetype> m_searchToEnd;
    // Whole script blocks: per script, (first line, bind command) in the file's order.
    std::array<QList<std::pair<int, int>>, ScriptCount> m_blocks;
};

void Reader::splitLines()
{
    qsizetype start = 0;
    for (;;) {
        qsizetype end = start;
        while (end < m_text.size() && m_text[end] != u'\r' && m_text[end] != u'\n')
            ++end;
        LineSpan line;
        line.text = {start, end - start};
        line.breakEnd = end < m_text.size() && m_text.sliced(end).startsWith(u"\r\n") ? end + 2
                        : end < m_text.size()                                      ? end + 1
                                                                                   : end;
        line.white = m_text.sliced(start, end - start).trimmed().isEmpty();
        m_places.lines.append(line);
        if (line.breakEnd >= m_text.size())
            break;
        start = line.breakEnd;
    }
    m_places.lineBreak = insertedLineBreak(m_text);
    m_places.utf8 = m_utf8;
    // A text that ends in a line break has no line after it.
    if (m_places.lines.size() > 1 && m_places.lines.back().text.length == 0 && m_places.lines.back().text.start == m_text.size())
        m_places.lines.removeLast();
    const std::size_t count = std::size_t(m_places.lines.size());
    m_inHeldBlock.assign(count, false);
    m_why.assign(count, QString());
    m_doubtful.assign(count, false);
}

WordPlace Reader::wordPlace(int c, qsizetype first, qsizetype last) const
{
    const QList<ReadWord> &w = words(c);
    WordPlace place;
    place.command = c;
    place.quoted = first == last && w[first].start < m_text.size() && m_text[w[first].start] == u'"';
    const qsizetype start = w[first].start + (place.quoted ? 1 : 0);
    qsizetype end = w[last].end;
    if (place.quoted && end > start && m_text[end - 1] == u'"')
        --end;
    place.word = {start, end - start};
    return place;
}

// ET: Legacy copies a byte 0xC2-0xF4 in an unquoted word together with the one to three bytes after
// it, whatever they are, reading past the command's end where it stands last. In a file of 8-bit
// text such a letter can swallow a blank or a quote; in UTF-8 it is followed by its own bytes.
bool Reader::leadByteIn(int c, qsizetype first, qsizetype last) const
{
    if (m_utf8)
        return false;
    if (m_legacy.commands[c]->readsUnknown)
        return true;
    const QList<ReadWord> &w = words(c);
    for (qsizetype i = first; i <= last && i < w.size(); ++i) {
        // A word read past the command's end stands at its end, which may be the text's.
        if (w[i].start >= m_text.size() || m_text[w[i].start] == u'"')
            continue;
        if (std::any_of(w[i].text.cbegin(), w[i].text.cend(), [](QChar ch) { return ch.unicode() >= 0xC2 && ch.unicode() <= 0xF4; }))
            return true;
    }
    return false;
}

// The command a "/*" left open stands in may run on after it: a '"' inside the comment hides its "*/"
// from the buffer but not from the word cutter, and what the buffer cuts off at 1,023 bytes runs as
// commands of their own. A line break put in at the "/*" would end that command early and move
// those cuts, so lines put in at the end go before the command instead, and its line is listed.
void Reader::endBeforeOpenCommand()
{
    const qsizetype open = m_places.endAt;
    const ReadCommand *running = nullptr;
    bool runsOn = false;
    for (const ReadCommand &command : std::as_const(m_legacyRead.commands)) {
        if (command.start <= open)
            running = &command;
        runsOn = runsOn || (!command.words.isEmpty() && command.words.back().end > open);
    }
    if (!running || !runsOn)
        return;
    m_places.endAt = running->start;
    note(lineAt(running->start), QStringLiteral("a /* comment left open carries this command to the end"), true);
}

// A command cut at 1,023 bytes inside a "/*" comment: the console's buffer search for its end,
// counting quotes from its start, runs on past the cut, over line breaks, and where it stops decides
// whether the text after is a comment, while the text after the cut runs as commands of their own.
// An edit anywhere on those lines can move the cut or that stop. The window takes nothing from
// them; a row they set is left to the file, as after a command whose effect on the row the window
// cannot know.
void Reader::keepCutCommands()
{
    const QString why = QStringLiteral("the console cuts a command here at 1,023 bytes");
    for (const ReadCommand &cut : std::as_const(m_legacyRead.commands)) {
        if (cut.ending != ReadCommand::End::Cut)
            continue;
        // Outside a "/*" comment the search stops on the cut line: at its break or a ';'.
        if (cut.scanEnd <= m_places.lines[lineAt(cut.end)].text.end())
            continue;
        // A search that runs to where the game stops reading (the text's end, a NUL) would run on
        // over lines put in there: they go before the cut command.
        if (cut.scanEnd >= (m_legacyRead.nul >= 0 ? m_legacyRead.nul : m_text.size()))
            m_searchToEnd = std::min(m_searchToEnd.value_or(cut.start), cut.start);
        const int first = lineAt(cut.start), last = lineAt(std::min(cut.scanEnd, qsizetype(m_text.size())));
        for (int l = first; l <= last; ++l) {
            m_places.lines[l].asItIs = true;
            m_places.lines[l].staysWhole = true;
        }
        for (int c = 0; c < int(m_places.commands.size()); ++c) {
            if (lineOf(c) >= first && lineOf(c) <= last)
                keepAsItIs(c, why);
        }
    }
}

void Reader::keepAsItIs(int c, const QString &why)
{
    m_places.commands[c].asItIs = true;
    note(lineOf(c), why, true);
    const CommandEffect e = commandEffect(words(c), legacyConsole, isCatalogueVariable);
    if (e.kind == CommandEffect::Kind::Set && !unknownAt(c))
        m_run.unknown.insert(readIndex(c), {e.name, why});
}

// A command whose text may hold what ends a comment or quote of the buffer's, which taking it out
// or changing it would move:
// - one the buffer reads from inside a "/*" comment that a '"' kept open past its "*/" (its first
//   word comes after something other than blanks), whose end is that comment's end;
// - one a command cut at 1,023 bytes searched on into, that holds a '/', a '*' or an odd number of
//   quotes: without them that search may stop elsewhere;
// - one before a cut command on its line.
void Reader::keepTangledCommands()
{
    const QString inComment = QStringLiteral("the console reads this command on from a /* comment before it");
    const QString inSearch = QStringLiteral("the console cuts a command before this one at 1,023 bytes");
    const QString beforeCut = QStringLiteral("the console cuts a command after this one on its line at 1,023 bytes");
    for (int c = int(m_places.commands.size()) - 1, cutAfter = -1; c >= 0; --c) {
        // Taken out, one before a cut command on its line would move where that one starts, and its cut.
        if (cutAfter >= 0 && m_places.commands[cutAfter].line != lineOf(c))
            cutAfter = -1;
        if (cutAfter >= 0 && !asItIs(c))
            keepAsItIs(c, beforeCut);
        if (m_places.commands[c].cut >= 0)
            cutAfter = c;
    }
    for (int c = 0; c < int(m_places.commands.size()); ++c) {
        const CommandSpan &span = m_places.commands[c];
        if (span.asItIs)
            continue;
        const ReadCommand &command = *m_legacy.commands[c];
        const auto blank = [](CharUse use) { return use == CharUse::Blank || use == CharUse::HighBlank; };
        if (!std::all_of(m_legacyRead.uses.cbegin() + command.start, m_legacyRead.uses.cbegin() + span.first, blank)) {
            keepAsItIs(c, inComment);
            continue;
        }
        const QStringView text = m_text.sliced(span.first, span.last - span.first);
        if (span.searchedIntoAfterCut && (text.count(u'"') % 2 != 0 || text.contains(u'/') || text.contains(u'*')))
            keepAsItIs(c, inSearch);
    }
}

void Reader::note(int line, const QString &why, bool doubtful)
{
    if (doubtful && !m_doubtful[std::size_t(line)]) {
        m_doubtful[std::size_t(line)] = true;
        m_why[std::size_t(line)] = why;
    } else if (m_why[std::size_t(line)].isEmpty()) {
        m_why[std::size_t(line)] = why;
    }
}

// The game's end state for keys: the last bind or unbind of each key, unless an unbindall follows.
void Reader::findEffects()
{
    const qsizetype count = m_legacy.commands.size();
    m_effects.reserve(std::size_t(count));
    m_held.assign(std::size_t(count), false);
    for (int c = 0; c < count; ++c) {
        m_effects.push_back(commandEffect(words(c), legacyConsole, isCatalogueVariable));
        const CommandEffect &e = m_effects.back();
        const auto firstBind = [&] {
            if (!m_places.firstBindLine)
                m_places.firstBindLine = lineOf(c);
        };
        // What a vstr runs counts where the vstr stands; exec may bind anything.
        for (const QList<ReadWord> &ran : m_run.ranByVstr.value(readIndex(c))) {
            const CommandEffect r = commandEffect(ran, legacyConsole, isCatalogueVariable);
            if (r.kind == CommandEffect::Kind::UnbindAll) {
                m_lastUnbindAll = c;
                note(lineOf(c), QStringLiteral("vstr clears every bind here"));
            } else if (r.kind == CommandEffect::Kind::Bind || r.kind == CommandEffect::Kind::Unbind) {
                m_places.lastOnKey.insert(keyIdentity(r.name), c);
                firstBind();
            } else if (const int row = r.kind == CommandEffect::Kind::Set ? rowOfVariable(r.name) : -1; row >= 0) {
                m_vstrSets[std::size_t(row)] = std::pair(c, r.value);
            }
        }
        if (const ConsoleRun::Unknown *unknown = unknownAt(c); unknown && unknown->variable.isEmpty())
            firstBind();
        if (m_run.ranByVstr.contains(readIndex(c)) || unknownAt(c))
            m_places.lastReachingLine = lineOf(c);
        if (e.kind == CommandEffect::Kind::UnbindAll) {
            // One the edit leaves as it is clears the binds before it but ticks nothing.
            if (!asItIs(c))
                m_places.unbindAlls.append(c);
            m_lastUnbindAll = c;
        } else if (e.kind == CommandEffect::Kind::Bind || e.kind == CommandEffect::Kind::Unbind) {
            m_places.lastOnKey.insert(keyIdentity(e.name), c);
            m_places.onKey[keyIdentity(e.name)].append(c);
            m_places.keyOf.insert(c, keyIdentity(e.name));
            if (e.kind == CommandEffect::Kind::Bind)
                firstBind();
        }
    }
    for (int c = 0; c < m_lastUnbindAll; ++c) {
        const CommandEffect::Kind kind = m_effects[std::size_t(c)].kind;
        if (kind == CommandEffect::Kind::Bind || kind == CommandEffect::Kind::Unbind)
            m_places.clearedBinds.append(c);
    }
    // A bind the edit leaves as it is (or one a player's preset runs) would come back without the
    // unbindalls after it: those stay as they are too, and tick nothing; the binds before the
    // others go with them.
    const auto left = std::find_if(m_places.clearedBinds.cbegin(), m_places.clearedBinds.cend(), [this](int c) { return asItIs(c); });
    std::optional<int> kept;
    if (left != m_places.clearedBinds.cend())
        kept = *left;
    for (int c = 0; c < m_lastUnbindAll && c < kept.value_or(m_lastUnbindAll); ++c) {
        const QList<QList<ReadWord>> ran = m_run.ranByVstr.value(readIndex(c));
        if (std::any_of(ran.cbegin(), ran.cend(), [](const QList<ReadWord> &words) {
                const CommandEffect::Kind kind = commandEffect(words, legacyConsole).kind;
                return kind == CommandEffect::Kind::Bind || kind == CommandEffect::Kind::Unbind;
            }))
            kept = c;
    }
    if (kept) {
        const int bind = *kept;
        m_places.unbindAlls.removeIf([&](int c) {
            if (c < bind)
                return false;
            note(lineOf(c), QStringLiteral("clears a bind that is left as it is"), false);
            return true;
        });
        const int last = m_places.unbindAlls.isEmpty() ? -1 : m_places.unbindAlls.back();
        m_places.clearedBinds.removeIf([last](int c) { return c > last; });
    }
}

// Every whole block of each script: its lines in order, blank lines between them allowed, each
// command alone on its line, then its bind alone on its line.
void Reader::findBlocks()
{
    const BlockModels &models = blockModels();
    const int lineCount = int(m_places.lines.size());
    std::vector<QList<int>> commandsOn(static_cast<std::size_t>(lineCount));
    for (int c = 0; c < int(m_effects.size()); ++c)
        commandsOn[std::size_t(lineOf(c))].append(c);
    auto nextNonBlank = [&](int l) {
        while (l < lineCount && m_places.lines[l].white)
            ++l;
        return l;
    };
    auto lineIs = [&](int l, const ModelLine &model) {
        const QList<int> &here = commandsOn[std::size_t(l)];
        if (model.words.isEmpty()) {
            const LineSpan &line = m_places.lines[l];
            return here.isEmpty() && m_text.sliced(line.text.start, line.text.length).trimmed() == model.comment;
        }
        return here.size() == 1 && sameWords(words(here.front()), model.words);
    };
    for (int first = nextNonBlank(0); first < lineCount; first = nextNonBlank(first + 1)) {
        for (int b = 0; b < ScriptCount; ++b) {
            int at = first;
            bool whole = true;
            for (const ModelLine &model : models.lines[std::size_t(b)]) {
                at = nextNonBlank(at);
                whole = at < lineCount && lineIs(at, model);
                if (!whole)
                    break;
                ++at;
            }
            at = nextNonBlank(at);
            if (!whole || at >= lineCount || commandsOn[std::size_t(at)].size() != 1)
                continue;
            const int bind = commandsOn[std::size_t(at)].front();
            const CommandEffect &e = m_effects[std::size_t(bind)];
            if (e.kind != CommandEffect::Kind::Bind || words(bind).size() != 3 || e.value != models.commands[std::size_t(b)])
                continue;
            m_blocks[std::size_t(b)].append({first, bind});
            if (m_places.firstBindLine == at)
                m_places.firstBindLine = first;
            first = at;
            break;
        }
    }
}

void Reader::takeScripts()
{
    for (int b = 0; b < ScriptCount; ++b) {
        // The last whole block whose bind the file leaves on its key.
        const auto &found = m_blocks[std::size_t(b)];
        for (auto it = found.crbegin(); it != found.crend(); ++it) {
            const auto [firstLine, bind] = *it;
            const CommandEffect &e = m_effects[std::size_t(bind)];
            if (m_places.lastOnKey.value(keyIdentity(e.name)) != bind || bind < m_lastUnbindAll)
                continue;
            if (std::any_of(m_places.lines.cbegin() + firstLine, m_places.lines.cbegin() + lineOf(bind) + 1,
                            [](const LineSpan &line) { return line.asItIs; }))
                continue;
            const BlockPlace place{firstLine, lineOf(bind), wordPlace(bind, 1, 1)};
            if (m_read.input.scripts[std::size_t(b)].ticked) {
                m_places.otherScripts[std::size_t(b)].append(place);
                continue;
            }
            m_read.input.scripts[std::size_t(b)] = {true, e.name};
            m_places.scripts[std::size_t(b)] = place;
            for (int l = firstLine; l <= lineOf(bind); ++l)
                m_inHeldBlock[std::size_t(l)] = true;
            for (int c = bind; c >= 0 && lineOf(c) >= firstLine; --c)
                hold(c);
        }
    }
}

void Reader::takeSettings()
{
    for (int c = 0; c < int(m_effects.size()); ++c) {
        const CommandEffect &e = m_effects[std::size_t(c)];
        if (e.kind != CommandEffect::Kind::Set)
            continue;
        const int row = rowOfVariable(e.name);
        if (row < 0)
            continue;
        QList<int> &setters = m_places.setters[std::size_t(row)];
        if (!setters.isEmpty())
            note(lineOf(setters.back()), QStringLiteral("set again on line %1").arg(lineOf(c) + 1));
        setters.append(c);
        // Words on several lines: a "/*" comment inside runs over the line breaks, and the lines
        // after the first read otherwise without it. The edit leaves it whole.
        if (lineAt(words(c).back().end - 1) != lineOf(c)) {
            m_places.commands[c].asItIs = true;
            note(lineOf(c), QStringLiteral("a command over several lines"), true);
        }
        // Cut at 1,023 bytes: taken out, or given a value of another length, it would move the cut,
        // and with it what runs after the cut. The edit changes its value only where that stays.
        if (m_legacy.commands[c]->ending == ReadCommand::End::Cut)
            m_places.commands[c].asItIs = true;
    }
    // Per row, the last command whose effect on its variable the window cannot know.
    std::array<int, SettingCount> unknown;
    unknown.fill(-1);
    for (int c = 0; c < int(m_effects.size()); ++c) {
        const ConsoleRun::Unknown *u = unknownAt(c);
        for (int row = 0; u && row < SettingCount; ++row) {
            if (u->variable.isEmpty() || sameName(u->variable, QLatin1StringView(settingRows[row].cvar)))
                unknown[std::size_t(row)] = c;
        }
    }
    for (int row = 0; row < SettingCount; ++row) {
        const QList<int> &setters = m_places.setters[std::size_t(row)];
        const std::optional<std::pair<int, QString>> &preset = m_vstrSets[std::size_t(row)];
        const int direct = setters.isEmpty() ? -1 : setters.back();
        const int byVstr = preset ? preset->first : -1;
        const int unknowable = unknown[std::size_t(row)];
        if (direct < 0 && byVstr < 0)
            continue;
        SettingValue &setting = m_read.input.settings[std::size_t(row)];
        m_endElsewhere[std::size_t(row)] = unknowable >= std::max(direct, byVstr) || byVstr > direct;
        if (unknowable >= std::max(direct, byVstr)) {
            // The game may end with anything: the row is not claimed, its setters stay as they are.
            const ConsoleRun::Unknown *u = unknownAt(unknowable);
            note(lineOf(unknowable), u->why, true);
            note(lineOf(std::max(direct, byVstr)), QStringLiteral("changed again on line %1").arg(lineOf(unknowable) + 1));
            continue;
        }
        if (byVstr > direct) {
            // A player's preset: the window shows its value and writes a new one after it.
            note(lineOf(byVstr), QStringLiteral("vstr sets %1 here").arg(QLatin1StringView(settingRows[row].cvar)));
            if (direct >= 0)
                note(lineOf(direct), QStringLiteral("set again on line %1").arg(lineOf(byVstr) + 1));
            if (holdValue(settingRows[row], preset->second, setting)) {
                setting.enabled = true;
                m_places.presets[std::size_t(row)] = byVstr;
            } else {
                note(lineOf(byVstr), holdsOnly(settingRows[row]), true);
            }
            continue;
        }
        const int last = direct;
        const CommandEffect &e = m_effects[std::size_t(last)];
        const ReadCommand &command = *m_legacy.commands[last];
        if (command.ending == ReadCommand::End::Cut && words(last)[e.lastWord].end >= command.end) {
            // The console cut the value at the line's length and runs the rest as a command of its
            // own: no new value can take its place without joining that rest. The line stays whole.
            note(lineOf(last), QStringLiteral("the console cuts this line at 1,023 bytes"), true);
            m_endElsewhere[std::size_t(row)] = true;
            m_places.lastReachingLine = std::max(m_places.lastReachingLine.value_or(-1), lineOf(last));
            continue;
        }
        if (lineAt(words(last).back().end - 1) != lineOf(last) && !e.value.contains(u'\n') && !e.value.contains(u'\r')) {
            // Its words stand on several lines (a '"' inside a "/*" comment hides the "*/" from the
            // buffer): taken out, the lines after its first would read as commands of their own.
            note(lineOf(last), QStringLiteral("a command over several lines"), true);
            m_endElsewhere[std::size_t(row)] = true;
            m_places.lastReachingLine = std::max(m_places.lastReachingLine.value_or(-1), lineAt(words(last).back().end - 1));
            continue;
        }
        m_places.settings[std::size_t(row)] = wordPlace(last, e.firstWord, e.lastWord);
        if (e.value.contains(u'\n') || e.value.contains(u'\r')) {
            // A quote inside a "/*" comment over several lines carries line breaks into the value,
            // which no row's control holds.
            note(lineOf(last), QStringLiteral("a value over several lines"), true);
            continue;
        }
        if (leadByteIn(last, e.firstWord, e.lastWord)) {
            note(lineOf(last), QStringLiteral("ET: Legacy may read a letter beyond ASCII here with the bytes after it"), true);
            continue;
        }
        if (!holdValue(settingRows[row], e.value, setting)) {
            note(lineOf(last), holdsOnly(settingRows[row]), true);
            continue;
        }
        setting.enabled = true;
        hold(last);
        if (meterReadsNumber(settingRows[row]) && !parseNumber(setting.text)) {
            const LineSpan &line = m_places.lines[lineOf(last)];
            m_read.notNumbers.append({row, {lineOf(last) + 1, m_text.sliced(line.text.start, line.text.length).toString(), false, {}}, setting.text});
        }
    }
}

void Reader::takeClasses()
{
    // The latest bind of each class that the file leaves on its key.
    for (int c = int(m_effects.size()) - 1; c > m_lastUnbindAll; --c) {
        const CommandEffect &e = m_effects[std::size_t(c)];
        if (e.kind != CommandEffect::Kind::Bind || words(c).size() != 3 || m_places.lastOnKey.value(keyIdentity(e.name)) != c)
            continue;
        const int k = classOfCommand(e.value);
        if (k < 0 || asItIs(c))
            continue;
        if (m_read.input.classes[std::size_t(k)].ticked) {
            m_places.otherClasses[std::size_t(k)].append(c);
            continue;
        }
        m_read.input.classes[std::size_t(k)] = {true, e.name};
        m_places.classes[std::size_t(k)] = wordPlace(c, 1, 1);
        hold(c);
    }
}

// Where 2.60 reads a line otherwise, or ends with another value for a row, the line is listed first.
void Reader::compareVersions()
{
    // Per line, the commands each version reads there.
    auto byLine = [&](const Reading &reading) {
        std::vector<QList<const ReadCommand *>> lines(m_places.lines.size());
        for (qsizetype c = 0; c < reading.commands.size(); ++c)
            lines[std::size_t(reading.lines[c])].append(reading.commands[c]);
        return lines;
    };
    const auto legacy = byLine(m_legacy);
    const auto original = byLine(m_original);
    for (std::size_t l = 0; l < legacy.size(); ++l) {
        bool same = legacy[l].size() == original[l].size();
        for (qsizetype c = 0; same && c < legacy[l].size(); ++c)
            same = sameWords(legacy[l][c]->words, original[l][c]->words);
        if (!same)
            note(int(l), QStringLiteral("2.60 reads this line otherwise"), true);
    }
    // The value each version leaves in each row's variable, and the line that sets it.
    std::array<std::optional<std::pair<QString, int>>, SettingCount> ends;
    for (qsizetype c = 0; c < m_original.commands.size(); ++c) {
        const CommandEffect e = commandEffect(m_original.commands[c]->words, originalConsole, isCatalogueVariable);
        const int row = e.kind == CommandEffect::Kind::Set ? rowOfVariable(e.name) : -1;
        if (row >= 0)
            ends[std::size_t(row)] = {e.value, m_original.lines[c]};
    }
    for (int row = 0; row < SettingCount; ++row) {
        const QList<int> &setters = m_places.setters[std::size_t(row)];
        const std::optional<std::pair<QString, int>> &end = ends[std::size_t(row)];
        if (setters.isEmpty() && !end)
            continue;
        const QString legacyValue = setters.isEmpty() ? QString() : m_effects[std::size_t(setters.back())].value;
        if (!setters.isEmpty() && end && end->first == legacyValue)
            continue;
        // A preset or a command the window cannot follow decides the row; its lines say so.
        if (m_endElsewhere[std::size_t(row)])
            continue;
        const int line = setters.isEmpty() ? end->second : lineOf(setters.back());
        note(line, end ? QStringLiteral("2.60 ends with \"%1\" for %2").arg(end->first, QLatin1StringView(settingRows[row].cvar))
                       : QStringLiteral("2.60 sets nothing here"),
             true);
    }
}

void Reader::listLines()
{
    std::vector<int> commandsOn(m_places.lines.size(), 0), heldOn(m_places.lines.size(), 0);
    for (int c = 0; c < int(m_effects.size()); ++c) {
        ++commandsOn[std::size_t(lineOf(c))];
        if (m_held[std::size_t(c)])
            ++heldOn[std::size_t(lineOf(c))];
        else if (m_effects[std::size_t(c)].kind == CommandEffect::Kind::Bind || m_effects[std::size_t(c)].kind == CommandEffect::Kind::Unbind) {
            const int last = m_places.lastOnKey.value(keyIdentity(m_effects[std::size_t(c)].name));
            if (c < m_lastUnbindAll)
                note(lineOf(c), QStringLiteral("cleared by the unbindall on line %1").arg(lineOf(m_lastUnbindAll) + 1));
            else if (last != c)
                note(lineOf(c), QStringLiteral("bound again on line %1").arg(lineOf(last) + 1));
        }
    }
    for (int c = int(m_effects.size()) - 1; c >= 0; --c) {
        using Kind = CommandEffect::Kind;
        const Kind kind = m_effects[std::size_t(c)].kind;
        if (!m_held[std::size_t(c)])
            note(lineOf(c), kind == Kind::Set ? QStringLiteral("another variable")
                            : kind == Kind::Bind || kind == Kind::Unbind ? QStringLiteral("another bind")
                                                                         : QStringLiteral("another command"));
    }
    for (qsizetype l = 0; l < m_places.lines.size(); ++l) {
        const std::size_t i = std::size_t(l);
        const LineSpan &line = m_places.lines[l];
        const bool allHeld = m_inHeldBlock[i] || (commandsOn[i] > 0 && heldOn[i] == commandsOn[i]);
        if (!m_doubtful[i] && (allHeld || line.white))
            continue;
        QString why = m_why[i];
        if (why.isEmpty())
            why = QStringLiteral("a comment");
        m_read.unheld.append({int(l + 1), m_text.sliced(line.text.start, line.text.length).toString(), m_doubtful[i], why});
    }
    for (int l = int(m_places.lines.size()) - 1; l >= 0; --l) {
        if (m_inHeldBlock[std::size_t(l)] || heldOn[std::size_t(l)] > 0) {
            m_places.lastHeldLine = l;
            break;
        }
    }
}

ConfigRead Reader::read()
{
    m_read.input = defaultInput();
    for (SettingValue &setting : m_read.input.settings)
        setting.enabled = false;
    splitLines();
    const TextBytes bytes = m_utf8 ? TextBytes::Utf8 : TextBytes::OnePerCharacter;
    m_legacyRead = readAsConsole(m_text, legacyConsole, bytes);
    m_originalRead = readAsConsole(m_text, originalConsole, bytes);
    m_legacy = commandsOf(m_legacyRead, m_places.lines);
    m_run = runVstrs(m_legacyRead, legacyConsole);
    // A line whose line break before it ended no command starts inside a "/*" comment.
    for (qsizetype l = 1; l < m_places.lines.size(); ++l) {
        const qsizetype at = m_places.lines[l - 1].text.end();
        const CharUse use = at < m_legacyRead.uses.size() ? m_legacyRead.uses[at] : CharUse::Separator;
        m_places.lines[l].inComment = use != CharUse::Separator && use != CharUse::Dropped && use != CharUse::Unread;
    }
    m_original = commandsOf(m_originalRead, m_places.lines);
    // The commands cut at 1,023 bytes whose search for their end ran on into the commands after:
    // a change there can move where that search stops, and the state it leaves the buffer in.
    QList<const ReadCommand *> runningOn;
    qsizetype seen = 0;
    for (qsizetype c = 0; c < m_legacy.commands.size(); ++c) {
        const QList<ReadWord> &w = m_legacy.commands[c]->words;
        const ReadCommand &command = *m_legacy.commands[c];
        for (; seen < readIndex(c); ++seen) {
            if (m_legacyRead.commands[seen].scanEnd > m_legacyRead.commands[seen].end)
                runningOn.append(&m_legacyRead.commands[seen]);
        }
        qsizetype readFrom = command.start;
        for (const ReadCommand *earlier : std::as_const(runningOn)) {
            if (earlier->scanEnd >= w.front().start)
                readFrom = std::min(readFrom, earlier->start);
        }
        m_places.commands.append({w.front().start, w.back().end, m_legacy.lines[c], readFrom, command.scanEnd,
                                  readFrom < command.start, command.ending == ReadCommand::End::Cut ? command.end : -1});
    }
    keepCutCommands();
    keepTangledCommands();
    for (const ConsoleRead::Skipped &comment : std::as_const(m_legacyRead.comments)) {
        const int first = lineAt(comment.start), last = lineAt(std::max(comment.start, comment.end - 1));
        for (int l = first; comment.star && first != last && l <= last; ++l)
            m_places.lines[l].staysWhole = true;
    }
    // The buffer's search for a command's end runs over line breaks also where the word cutter
    // sees no comment over them (a '"' inside a "/*" hides its "*/"): those lines stay whole too.
    for (const ReadCommand &command : std::as_const(m_legacyRead.commands)) {
        const int first = lineAt(command.start), last = lineAt(std::min(command.scanEnd, qsizetype(m_text.size())));
        for (int l = first; first != last && l <= last; ++l)
            m_places.lines[l].staysWhole = true;
    }
    // Lines put in at the end go where the game stops reading: at a "/*" the text leaves open, or at a
    // NUL character; what stands before either on its line still runs before them.
    m_places.endAt = m_text.size();
    for (const qsizetype stop : {m_legacyRead.openComment, m_legacyRead.nul}) {
        if (stop >= 0 && stop < m_places.endAt)
            m_places.endAt = stop;
    }
    if (m_places.endAt == m_legacyRead.openComment)
        endBeforeOpenCommand();
    if (m_searchToEnd && *m_searchToEnd < m_places.endAt)
        m_places.endAt = *m_searchToEnd;
    m_places.endLine = m_places.endAt == m_text.size() ? int(m_places.lines.size()) : lineAt(m_places.endAt);
    if (m_places.endLine < m_places.lines.size())
        m_places.lines[m_places.endLine].staysWhole = true;
    if (m_legacyRead.nul >= 0)
        m_places.lines[lineAt(m_legacyRead.nul)].staysWhole = true;
    findEffects();
    findBlocks();
    takeScripts();
    takeSettings();
    takeClasses();
    // Any unbindall ticks UnBind All: the game clears every bind there, whatever stands before.
    // An unbindall a player's preset runs clears the binds before it, but ticks nothing: the window
    // cannot take it out.
    m_read.input.unbindAll = !m_places.unbindAlls.isEmpty();
    for (int c : std::as_const(m_places.unbindAlls))
        hold(c);
    compareVersions();
    listLines();
    return std::move(m_read);
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

ConfigRead readConfig(QStringView text, bool utf8)
{
    return Reader(text, utf8).read();
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
