#include "marks/marksdetail.h"

#include "console/keynames.h"

namespace brackwell::marks {

bool readAsMeant(const Meaning &m, const ConsoleRead &read, const LineCommands &line, const ConsoleRules &rules)
{
    if (line.spills || std::any_of(line.commands.begin(), line.commands.end(),
                                   [&](int c) { return read.commands[c].readsUnknown; }))
        return false;
    if (m.shape == Shape::Plain) {
        if (m.words.isEmpty())
            return line.commands.isEmpty();
        if (line.commands.size() != 1)
            return false;
        const QList<ReadWord> &words = read.commands[line.commands.front()].words;
        if (words.size() != m.words.size())
            return false;
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (words[i].text != m.words[i])
                return false;
        }
        return true;
    }
    if (line.commands.size() != 1)
        return false;
    const QList<ReadWord> &words = read.commands[line.commands.front()].words;
    if (words.size() < 2 || words[0].text != m.command || words[1].text != m.name)
        return false;
    if (m.shape == Shape::Set) {
        const std::optional<QString> stored = storedValue(rules, words);
        return !refusedName(m.name) && stored && *stored == m.value.meant.value;
    }
    QStringList bound;
    for (qsizetype i = 2; i < words.size(); ++i)
        bound += commandWords(words[i].text);
    return words.size() >= 3 && bound == m.bound && !keyIdentity(words[1].text).isEmpty();
}

// "ends the command at ";"", "drops ...": the command that begins after a split or a cut.
void splitsAndCuts(const LineContext &c, QList<Stretch> &out)
{
    const auto &commands = c.read.commands;
    auto it = std::lower_bound(commands.begin(), commands.end(), c.from,
                               [](const ReadCommand &command, qsizetype at) { return command.end < at; });
    for (; it != commands.end() && it->start < c.to; ++it) {
        const ReadCommand &command = *it;
        const qsizetype at = command.end;
        if (at < c.from || at >= c.to)
            continue;
        // The command the buffer reads next: what was split off or cut off.
        const ReadCommand *rest = it + 1 != commands.end() ? &*(it + 1) : nullptr;
        const bool runs = rest && !rest->words.isEmpty() && rest->words.front().start < c.to;
        const qsizetype restEnd = rest ? std::min(rest->end, c.to) : at + 1;
        const QString words = runs ? quoted(joinedWords(rest->words)) : QString();
        switch (command.ending) {
        case ReadCommand::End::Semicolon:
            if (runs)
                out.append({at, restEnd, QStringLiteral("ends the command at \";\" and runs %1 as a command of its own.").arg(words)});
            else
                out.append({at, at + 1, QStringLiteral("ends the command at \";\".")});
            break;
        case ReadCommand::End::Cut:
            out.append({at, std::max(restEnd, at + 1),
                        runs ? QStringLiteral("reads at most 1,023 bytes as one command: it drops %1 here and "
                                              "runs %2 as a command of its own.")
                                   .arg(quoted(c.text.sliced(at, 1)), words)
                             : QStringLiteral("reads at most 1,023 bytes as one command: it drops %1 here.")
                                   .arg(quoted(c.text.sliced(at, 1)))});
            break;
        case ReadCommand::End::CommentEnd:
            if (runs)
                out.append({at + 1, restEnd,
                            QStringLiteral("ends the command at \"*/\" and runs %1 as a command of its own.").arg(words)});
            break;
        default: break;
        }
    }
}

// Stretches where the console's use of a character differs from the meaning's.
void characterDifferences(const LineContext &c, QList<Stretch> &out)
{
    struct Uses {
        const LineContext &c;
        CharUse operator[](qsizetype i) const { return c.lineUses ? c.lineUses->at(i - c.from) : c.read.uses.at(i); }
    } uses{c};
    const QList<CharUse> &meant = c.m.uses;
    auto run = [&](qsizetype i, auto &&inside) {
        qsizetype j = i;
        while (j < c.to && inside(j))
            ++j;
        return j;
    };
    for (qsizetype i = c.from; i < c.to;) {
        const CharUse use = uses[i];
        const CharUse mean = meant[i - c.from];
        qsizetype next = i + 1;
        if (use == CharUse::Comment && mean != CharUse::Comment) {
            next = run(i, [&](qsizetype j) { return uses[j] == CharUse::Comment && meant[j - c.from] != CharUse::Comment; });
            bool written = false;
            for (qsizetype j = i; j < next; ++j)
                written = written || meant[j - c.from] != CharUse::Blank;
            const ConsoleRead::Skipped *comment = commentAt(c.read, i);
            if (written && comment)
                out.append({i, next, commentPredicate(c, *comment)});
        } else if (mean == CharUse::Comment && (use == CharUse::Word || use == CharUse::Quote)) {
            const qsizetype end = run(i, [&](qsizetype j) { return meant[j - c.from] == CharUse::Comment && uses[j] != CharUse::Comment; });
            next = end;
            while (next > i && uses[next - 1] != CharUse::Word && uses[next - 1] != CharUse::Quote)
                --next;
            const bool carried = i == c.from || std::all_of(meant.begin(), meant.begin() + (i - c.from),
                                                             [](CharUse u) { return u == CharUse::Comment; });
            if (carried && !c.rules.bufferKnowsComments)
                out.append({i, next, QStringLiteral("ends a \"/*\" comment with its line and reads %1 here as a command.")
                                         .arg(wordsIn(c, i, next))});
            else
                out.append({i, next, QStringLiteral("does not take this as a comment and reads %1 as words of a command.")
                                         .arg(wordsIn(c, i, next))});
            next = end;
        } else if (use == CharUse::HighBlank && mean == CharUse::Word) {
            next = run(i, [&](qsizetype j) { return uses[j] == CharUse::HighBlank && meant[j - c.from] == CharUse::Word; });
            out.append({i, next, QStringLiteral("takes %1 for a blank outside double quotes.").arg(quoted(c.text.sliced(i, next - i)))});
        } else if (use == CharUse::Quote && mean == CharUse::Word) {
            next = run(i, [&](qsizetype j) { return meant[j - c.from] == CharUse::Word; });
            out.append({i, next, QStringLiteral("ends the word at this double quote: a double quote cannot be part of a word.")});
        } else if (use == CharUse::Blank && mean == CharUse::Word) {
            next = run(i, [&](qsizetype j) { return uses[j] == CharUse::Blank && meant[j - c.from] == CharUse::Word; });
            out.append({i, next, QStringLiteral("ends the word at this blank.")});
        } else if (use == CharUse::Unread && (mean != CharUse::Blank || i == c.read.nul)) {
            next = run(i, [&](qsizetype j) { return uses[j] == CharUse::Unread; });
            if (c.read.nul >= c.from && c.read.nul < c.to && i >= c.read.nul)
                out.append({c.read.nul, next, QStringLiteral("stops reading the file at this NUL character.")});
            else if (c.afterNul || (c.read.nul >= 0 && c.read.nul < c.from))
                out.append({i, next, QStringLiteral("never reads this line: it stops reading the file at a NUL character above it.")});
            else
                out.append({i, next, QStringLiteral("reads at most 256 words of a command and skips the rest.")});
        }
        i = next;
    }
}

// Words of this line that belong to a command of another line.
void sharedCommands(const LineContext &c, QList<Stretch> &out)
{
    // A word, quoted over the line break, that began on an earlier line.
    const auto &commands = c.read.commands;
    auto it = std::lower_bound(commands.begin(), commands.end(), c.from,
                               [](const ReadCommand &command, qsizetype at) { return command.start < at; });
    if (it != commands.begin()) {
        const ReadCommand &command = *(it - 1);
        for (const ReadWord &word : command.words) {
            if (word.start < c.from && word.end > c.from) {
                const qsizetype end = std::min(word.end, c.to);
                if (end > c.from)
                    out.append({c.from, end, QStringLiteral("reads %1 as part of a word of the command %2.")
                                                 .arg(quoted(c.text.sliced(c.from, end - c.from)),
                                                      c.where(command.words.front().start))});
            }
        }
    }

    for (int index : c.line.commands) {
        const ReadCommand &command = c.read.commands[index];
        qsizetype first = -1, last = -1;
        bool before = false, after = false;
        for (const ReadWord &word : command.words) {
            if (word.start >= command.end) // read past the command's end, out of no line
                continue;
            if (word.start < c.from) {
                before = true;
            } else if (word.start < c.to) {
                if (first < 0)
                    first = word.start;
                last = std::min(word.end, c.to);
                after = after || word.end > c.to;
            } else {
                after = true;
            }
        }
        if (before && first >= 0) {
            out.append({first, last, QStringLiteral("reads %1 as part of the command %2.")
                                         .arg(wordsIn(c, first, last), c.where(command.words.front().start))});
        } else if (after) {
            // The buffer is still in a "/*" comment at the line's end, where a double quote has
            // hidden a "*/" from it that the word cutter took as the comment's end.
            qsizetype end = c.to;
            while (end > c.from && c.read.uses[end - 1] != CharUse::Comment)
                --end;
            qsizetype start = end;
            while (start > c.from && c.read.uses[start - 1] == CharUse::Comment)
                --start;
            if (end == start) {
                start = c.from;
                end = c.to;
            }
            auto opener = std::lower_bound(c.read.comments.begin(), c.read.comments.end(), command.start,
                                           [](const ConsoleRead::Skipped &s, qsizetype at) { return s.start < at; });
            opener = std::find_if(opener, c.read.comments.end(),
                                  [&](const ConsoleRead::Skipped &s) { return s.star || s.start >= c.to; });
            if (opener != c.read.comments.end() && (!opener->star || opener->start >= c.to))
                opener = c.read.comments.end();
            out.append({start, end, opener == c.read.comments.end()
                                        ? QStringLiteral("reads the next lines into this command.")
                                        : QStringLiteral("reads the next lines into this command: for the game the comment "
                                                         "that \"/*\" opens %1 is still open, a double quote in it "
                                                         "hiding its end.").arg(c.where(opener->start))});
        }
    }
}

// Why a set line's variable gets another value, where the characters alone do not tell.
void valueDifferences(const LineContext &c, QList<Stretch> &out)
{
    const Meaning &m = c.m;
    if (c.line.commands.size() != 1 || c.line.spills)
        return;
    const QList<ReadWord> &words = c.read.commands[c.line.commands.front()].words;
    if (words.size() < 2 || words[0].text != m.command || words[1].text != m.name)
        return;
    const QString name = quoted(m.name);
    if (refusedName(m.name)) {
        const QChar refused = *std::find_if(m.name.begin(), m.name.end(),
                                            [](QChar ch) { return ch == u'\\' || ch == u'"' || ch == u';'; });
        out.append({words[1].start, words[1].end,
                    QStringLiteral("refuses a variable name holding %1: it sets \"BADNAME\" instead.").arg(quoted(QString(refused)))});
        return;
    }
    const std::optional<QString> stored = storedValue(c.rules, words);
    const QString gets = stored ? quoted(*stored) : QString();
    const qsizetype values = words.size() - 2;
    const bool flagDropped = takesUnsafeFlag(c.rules, words);
    if (values == 0 && out.isEmpty()) {
        const qsizetype start = c.from + m.valueStart;
        const qsizetype end = std::max(start + 1, std::min(c.to, c.from + std::max(m.valueEnd, m.valueStart + 1)));
        out.append({start, end, QStringLiteral("finds no value after %1: it shows the variable and sets nothing.").arg(name)});
        return;
    }
    if (flagDropped && !m.value.meant.unsafe)
        out.append({words.back().start, words.back().end,
                    QStringLiteral("takes the last word \"unsafe\" as a flag, not as part of the value.")});
    if (!flagDropped && m.value.meant.unsafe && stored)
        out.append({words.back().start, words.back().end,
                    QStringLiteral("keeps the word \"unsafe\" in the value: %1 gets %2.").arg(name, gets)});
    const qsizetype kept = values - (flagDropped ? 1 : 0);
    if (c.rules.setaTakesOneValue && !sameName(words[0].text, QLatin1StringView("set")) && kept > 1)
        out.append({words[3].start, words[2 + kept - 1].end,
                    QStringLiteral("sets nothing here: its \"%1\" takes a single value word, and this line gives %2.")
                        .arg(words[0].text.toLower())
                        .arg(kept)});
    else if (c.rules.longestValue > 0 && !stored && kept >= 1)
        out.append({words[2].start, words[2 + kept - 1].end,
                    QStringLiteral("keeps no value longer than %1 bytes: %2 gets an empty or shortened value.")
                        .arg(c.rules.longestValue)
                        .arg(name)});
    if (m.value.form != Value::AsWritten || !stored || *stored == m.value.meant.value)
        return;
    // An unquoted value: the game joins its words with one blank each.
    const qsizetype start = c.from + m.valueStart;
    const qsizetype end = c.from + m.valueEnd;
    for (qsizetype i = start; i < end;) {
        if (!isBlank(c.text[i]) || c.read.uses[i] != CharUse::Blank) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < end && isBlank(c.text[j]) && c.read.uses[j] == CharUse::Blank)
            ++j;
        if (i == start || j == end)
            out.append({i, j, QStringLiteral("drops the blanks around the value: %1 gets %2.").arg(name, gets)});
        else if (j - i > 1 || c.text[i] != u' ')
            out.append({i, j, QStringLiteral("joins the words of the value with single blanks: %1 gets %2.").arg(name, gets)});
        i = j;
    }
}

// A bind line whose key the game finds with nothing after it.
void bindDifferences(const LineContext &c, QList<Stretch> &out)
{
    if (c.line.commands.size() != 1 || c.line.spills || !out.isEmpty())
        return;
    const QList<ReadWord> &words = c.read.commands[c.line.commands.front()].words;
    if (words.size() < 2 || words[0].text != c.m.command || words[1].text != c.m.name)
        return;
    if (keyIdentity(words[1].text).isEmpty()) {
        out.append({words[1].start, words[1].end,
                    QStringLiteral("knows no key named %1: the line binds nothing.").arg(quoted(c.m.name))});
        return;
    }
    if (words.size() > 2)
        return;
    out.append({words[1].end, std::max(c.to, words[1].end + 1),
                QStringLiteral("finds nothing to bind after the key %1: it shows what the key runs and binds nothing.")
                    .arg(quoted(c.m.name))});
}

// ET: Legacy's lead-byte rule: a byte 0xC2-0xF4 inside an unquoted word takes the one to three
// bytes after it into the word, whatever they are.
void leadBytes(const LineContext &c, QList<Stretch> &out)
{
    if (!c.rules.highCharsInWords)
        return;
    for (int index : c.line.commands) {
        const ReadCommand &command = c.read.commands[index];
        for (const ReadWord &word : command.words) {
            if (word.start >= command.end || c.text[word.start] == u'"')
                continue;
            // A word of a command that began on an earlier line is this line's from its start on.
            for (qsizetype p = std::max(word.start + 1, c.from); p < word.end; ++p) {
                const char16_t lead = c.text[p].unicode();
                if (lead < 0xC2 || lead > 0xF4)
                    continue;
                const qsizetype further = lead <= 0xDF ? 1 : lead <= 0xEF ? 2 : 3;
                bool swallows = false;
                for (qsizetype k = 1; k <= further && p + k < c.to && p + k < word.end; ++k)
                    swallows = swallows || (c.read.uses[p + k] == CharUse::Word && c.m.uses[p + k - c.from] != CharUse::Word);
                if (swallows)
                    out.append({p, std::min(std::max(p + 1, std::min(p + further + 1, word.end)), c.to),
                                QStringLiteral("takes %1 for the first byte of a letter of several bytes and reads the "
                                               "bytes after it into the word.")
                                    .arg(quoted(c.text.sliced(p, 1)))});
                // Its bytes run past the command's end, where the word cutter reads on.
                const auto past = std::find_if(command.words.begin(), command.words.end(),
                                               [&](const ReadWord &w) { return w.start >= command.end; });
                if (p + further >= command.end && (past != command.words.end() || command.readsUnknown)) {
                    const QString lead = QStringLiteral("takes %1 for the first byte of a letter of several bytes and "
                                                        "reads on past the end of the command, ")
                                             .arg(quoted(c.text.sliced(p, 1)));
                    const QString words = quoted(joinedWords(command.words.mid(past - command.words.begin())));
                    const QString there =
                        command.readsUnknown
                            ? QStringLiteral("into bytes this text does not set: what it reads there is not known.")
                            : QStringLiteral("into what an earlier command left in the console's line: it reads %1 there.")
                                  .arg(words);
                    out.append({p, std::min(p + 1, c.to), lead + there});
                }
                p += further;
            }
        }
    }
}

QList<Stretch> explain(const LineContext &c)
{
    QList<Stretch> out;
    splitsAndCuts(c, out);
    leadBytes(c, out);
    // What follows a split or a cut reads differently because of it: it needs no marks of its own.
    QList<CharUse> covered = c.read.uses.mid(c.from, c.to - c.from);
    for (const Stretch &stretch : out) {
        for (qsizetype i = std::max(stretch.start, c.from); i < std::min(stretch.end, c.to); ++i)
            covered[i - c.from] = CharUse::Separator;
    }
    const LineContext rest{c.text, c.read, c.rules, c.m, c.from, c.to, c.line, c.lines, c.afterNul, &covered};
    characterDifferences(rest, out);
    sharedCommands(c, out);
    if (c.m.shape == Shape::Set)
        valueDifferences(c, out);
    if (c.m.shape == Shape::Bind)
        bindDifferences(c, out);
    std::stable_sort(out.begin(), out.end(), [](const Stretch &a, const Stretch &b) { return a.start < b.start; });
    return out;
}

// The console lines of each version's reading of the text, with the commands that have words in them.
QList<LineCommands> commandsByLine(const ConsoleRead &read, const QList<Span> &lines)
{
    QList<LineCommands> byLine(lines.size());
    qsizetype line = 0;
    for (int c = 0; c < read.commands.size(); ++c) {
        const QList<ReadWord> &words = read.commands[c].words;
        qsizetype firstLine = -1;
        for (const ReadWord &word : words) {
            while (line + 1 < lines.size() && lines[line + 1].start <= word.start)
                ++line;
            LineCommands &here = byLine[line];
            if (here.commands.isEmpty() || here.commands.back() != c)
                here.commands.append(c);
            // A word quoted over line breaks ties every line it runs into to this command.
            for (qsizetype l = line; l < lines.size() && lines[l].start < word.end; ++l) {
                const bool overlaps = std::max(word.start, lines[l].start) < std::min(word.end, lines[l].end);
                if (overlaps && (word.start < lines[l].start || word.end > lines[l].end))
                    byLine[l].spills = true;
            }
            if (firstLine < 0)
                firstLine = line;
            else if (line != firstLine) {
                here.spills = true;
                byLine[firstLine].spills = true;
            }
        }
    }
    return byLine;
}

} // namespace brackwell::marks
