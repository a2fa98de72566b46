#include "settings/consolemarks.h"

#include "settings/catalogue.h"
#include "settings/consolecommands.h"

#include <QHash>
#include <QStringEncoder>

#include <algorithm>
#include <optional>

namespace brackwell {

const char *const unexplainedTip = "The game reads this line differently from how it is written.";

bool operator==(const RoleStretch &a, const RoleStretch &b)
{
    return a.start == b.start && a.length == b.length && a.role == b.role;
}

bool operator==(const CodeStretch &a, const CodeStretch &b)
{
    return a.start == b.start && a.digit == b.digit;
}

bool operator==(const LineMark &a, const LineMark &b)
{
    return a.start == b.start && a.length == b.length && a.tip == b.tip;
}

bool operator==(const BoxLine &a, const BoxLine &b)
{
    return a.roles == b.roles && a.codes == b.codes && a.marks == b.marks;
}

const SavedBytes SavedBytes::OnePerCharacter(QStringConverter::Latin1);
const SavedBytes SavedBytes::Utf8(QStringConverter::Utf8);

int SavedBytes::of(QChar c) const
{
    if (c.unicode() < 0x80 || m_encoding == QStringConverter::Latin1)
        return 1;
    if (m_encoding == QStringConverter::Utf8) // two bytes each half of a pair, two below U+0800, three above
        return c.isSurrogate() || c.unicode() < 0x800 ? 2 : 3;
    QStringEncoder encoder(m_encoding);
    return std::max(1, int(QByteArray(encoder.encode(QStringView(&c, 1))).size()));
}

const QList<const ConsoleRules *> &gameVersions()
{
    static const QList<const ConsoleRules *> versions = {&legacyConsole, &originalConsole};
    return versions;
}

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= u' ';
}

QStringView trimmedEnd(QStringView text)
{
    qsizetype n = text.size();
    while (n > 0 && isBlank(text[n - 1]))
        --n;
    return text.first(n);
}

bool quotedWhole(QStringView text)
{
    return text.size() >= 2 && text.front() == u'"' && text.back() == u'"';
}

// ---------------------------------------------------------------------------------------------
// The plain reading: words as written.

struct PlainWord {
    qsizetype start = 0, end = 0;
    QString value;
    bool quoted = false;
    bool closed = false; // a quoted word's closing quote is there
};

struct Span {
    qsizetype start = 0, end = 0;
};

struct Plain {
    QList<PlainWord> words;
    QList<Span> comments;
    bool open = false; // a "/*" comment runs on past the end
};

// Reads text[from, to) as written. With `starComments`, "/*" at the start of a word opens a
// comment up to "*/"; `open` says one is open already. The first `uncommented` words are words
// whatever they start with.
Plain readPlain(QStringView text, qsizetype from, qsizetype to, bool starComments, bool open, int uncommented = 0)
{
    Plain plain;
    const QStringView range = text.first(to);
    auto pair = [&](qsizetype i, char16_t a, char16_t b) { return i + 1 < to && text[i] == a && text[i + 1] == b; };
    auto starEnd = [&](qsizetype at) {
        const qsizetype close = range.indexOf(QLatin1StringView("*/"), at);
        return close < 0 ? qsizetype(-1) : close + 2;
    };
    // A closing quote ends its word: a blank, the end, or a comment follows it.
    auto endsWord = [&](qsizetype j) {
        return j >= to || isBlank(text[j]) || pair(j, u'/', u'/') || (starComments && pair(j, u'/', u'*'));
    };
    qsizetype i = from;
    if (open) {
        const qsizetype end = starEnd(i);
        if (end < 0) {
            plain.comments.append({i, to});
            plain.open = true;
            return plain;
        }
        plain.comments.append({i, end});
        i = end;
    }
    for (;;) {
        while (i < to && isBlank(text[i]))
            ++i;
        if (i >= to)
            break;
        const bool commentable = plain.words.size() >= uncommented;
        if (commentable && pair(i, u'/', u'/')) {
            plain.comments.append({i, to});
            break;
        }
        if (commentable && starComments && pair(i, u'/', u'*')) {
            const qsizetype end = starEnd(i + 1);
            if (end < 0) {
                plain.comments.append({i, to});
                plain.open = true;
                break;
            }
            plain.comments.append({i, end});
            i = end;
            continue;
        }
        PlainWord word;
        word.start = i;
        if (text[i] == u'"') {
            word.quoted = true;
            qsizetype close = range.indexOf(u'"', i + 1);
            while (close >= 0 && !endsWord(close + 1))
                close = range.indexOf(u'"', close + 1);
            word.closed = close >= 0;
            word.end = word.closed ? close + 1 : to;
            word.value = text.sliced(i + 1, (word.closed ? close : to) - i - 1).toString();
        } else {
            while (i < to && !isBlank(text[i]))
                ++i;
            word.end = i;
            word.value = text.sliced(word.start, i - word.start).toString();
        }
        i = word.end;
        plain.words.append(std::move(word));
    }
    return plain;
}

// What each character of text[from, to) is to a plain reading.
void plainUses(const Plain &plain, qsizetype from, QList<CharUse> &uses)
{
    for (const PlainWord &word : plain.words) {
        for (qsizetype i = word.start; i < word.end; ++i)
            uses[i - from] = CharUse::Word;
        if (word.quoted) {
            uses[word.start - from] = CharUse::Quote;
            if (word.closed)
                uses[word.end - 1 - from] = CharUse::Quote;
        }
    }
    for (const Span &comment : plain.comments) {
        for (qsizetype i = comment.start; i < comment.end; ++i)
            uses[i - from] = CharUse::Comment;
    }
}

// Where the value or command of a `set` or `bind` line ends: before a trailing "//" comment and
// the blanks in front of it.
qsizetype contentEnd(QStringView text, const Plain &plain, qsizetype from, qsizetype to)
{
    if (plain.comments.isEmpty())
        return to;
    qsizetype end = plain.comments.front().start;
    while (end > from && isBlank(text[end - 1]))
        --end;
    return end;
}

struct Value {
    MeantValue meant;
    enum Form {
        AsWritten, // every character its own, blanks included
        Quoted,    // the text inside a pair of double quotes
        Unclosed,  // the text after a double quote that nothing closes
    } form = AsWritten;
    qsizetype end = 0; // in the rest: the end of the text the value comes from, its quotes included
};

Value valueOf(QStringView rest)
{
    const Plain plain = readPlain(rest, 0, rest.size(), false, false);
    const QStringView written = rest.first(contentEnd(rest, plain, 0, rest.size()));
    const QStringView trimmed = trimmedEnd(written);
    // The game writes "unsafe" after the quoted value of a variable it treats with care.
    const QLatin1StringView flag("unsafe");
    if (trimmed.size() > flag.size() && trimmed.endsWith(flag, Qt::CaseInsensitive)
        && isBlank(trimmed[trimmed.size() - flag.size() - 1])) {
        const QStringView before = trimmedEnd(trimmed.first(trimmed.size() - flag.size()));
        if (quotedWhole(before))
            return {{before.sliced(1, before.size() - 2).toString(), true}, Value::Quoted, before.size()};
    }
    if (quotedWhole(trimmed))
        return {{trimmed.sliced(1, trimmed.size() - 2).toString(), false}, Value::Quoted, trimmed.size()};
    if (written.startsWith(u'"') && written.indexOf(u'"', 1) < 0)
        return {{written.sliced(1).toString(), false}, Value::Unclosed, written.size()};
    return {{written.toString(), false}, Value::AsWritten, written.size()};
}

// What each character of a set line's value is to its meaning: a double quote inside a value
// written as it is is part of it.
void valueUses(QStringView rest, const Value &value, qsizetype at, QList<CharUse> &uses)
{
    switch (value.form) {
    case Value::AsWritten:
        for (qsizetype i = 0; i < value.end; ++i)
            uses[at + i] = isBlank(rest[i]) ? CharUse::Blank : CharUse::Word;
        break;
    case Value::Quoted:
    case Value::Unclosed:
        setUses(uses, at, at + value.end, CharUse::Word);
        uses[at] = CharUse::Quote;
        if (value.form == Value::Quoted)
            uses[at + value.end - 1] = CharUse::Quote;
        break;
    }
}

QString withoutOuterQuotes(QStringView word)
{
    return (quotedWhole(word) ? word.sliced(1, word.size() - 2) : word).toString();
}

// ---------------------------------------------------------------------------------------------
// What a line means.

enum class Shape { Plain, Set, Bind };

struct Meaning {
    Shape shape = Shape::Plain;
    QList<CharUse> uses; // per character of the line: Blank, Word, Quote or Comment
    bool openAfter = false;
    QStringList words;   // a plain line's words
    QString command;     // the command word of a set or bind line, as written
    QString name;        // the variable, or the key
    Value value;         // a set line's value
    qsizetype valueStart = 0, valueEnd = 0;
    QStringList bound;   // a bind line's command words
};

// The generator's own lines: its setting lines and the binds of its scripts and class binds.
struct GeneratorShapes {
    QStringList settingPrefixes;     // `seta <variable> "`
    QList<QLatin1StringView> cvars;
    QStringList bindSuffixes;        // ` "<command>"`
};

const GeneratorShapes &generatorShapes()
{
    static const GeneratorShapes shapes = [] {
        GeneratorShapes s;
        for (const SettingRow &row : settingRows) {
            s.settingPrefixes << QLatin1StringView("seta ") + QLatin1StringView(row.cvar) + QLatin1StringView(" \"");
            s.cvars << QLatin1StringView(row.cvar);
        }
        for (const ScriptBlock &block : scriptBlocks)
            s.bindSuffixes << u' ' + QLatin1StringView(block.quotedCommand);
        for (const ClassBind &bind : classBinds)
            s.bindSuffixes << u' ' + QLatin1StringView(bind.quotedCommand);
        return s;
    }();
    return shapes;
}

// A word the window wrote as one: all of it one word, its outer quotes as quotes.
void wholeWordUses(QList<CharUse> &uses, qsizetype from, qsizetype to, QStringView word)
{
    setUses(uses, from, to, CharUse::Word);
    if (quotedWhole(word)) {
        uses[from] = CharUse::Quote;
        uses[to - 1] = CharUse::Quote;
    }
}

bool generatorLine(QStringView line, Meaning &m)
{
    const GeneratorShapes &shapes = generatorShapes();
    if (line.endsWith(u'"')) {
        for (qsizetype r = 0; r < shapes.settingPrefixes.size(); ++r) {
            const QString &prefix = shapes.settingPrefixes[r];
            if (line.size() <= prefix.size() || !line.startsWith(prefix))
                continue;
            m.shape = Shape::Set;
            m.command = QStringLiteral("seta");
            m.name = QString(shapes.cvars[r]);
            m.value = {{line.sliced(prefix.size(), line.size() - prefix.size() - 1).toString(), false}, Value::Quoted,
                       line.size() - prefix.size() + 1};
            m.valueStart = prefix.size() - 1;
            m.valueEnd = line.size();
            setUses(m.uses, 0, 4, CharUse::Word);
            setUses(m.uses, 5, 5 + m.name.size(), CharUse::Word);
            wholeWordUses(m.uses, m.valueStart, m.valueEnd, line.sliced(m.valueStart));
            return true;
        }
    }
    const QLatin1StringView bind("bind ");
    if (!line.startsWith(bind))
        return false;
    for (const QString &suffix : shapes.bindSuffixes) {
        if (line.size() < bind.size() + suffix.size() || !line.endsWith(suffix))
            continue;
        const qsizetype keyEnd = line.size() - suffix.size();
        const QStringView key = line.sliced(bind.size(), keyEnd - bind.size());
        m.shape = Shape::Bind;
        m.command = QStringLiteral("bind");
        m.name = withoutOuterQuotes(key);
        m.bound = commandWords(suffix);
        setUses(m.uses, 0, 4, CharUse::Word);
        if (!key.isEmpty())
            wholeWordUses(m.uses, bind.size(), keyEnd, key);
        wholeWordUses(m.uses, keyEnd + 1, line.size(), line.sliced(keyEnd + 1));
        return true;
    }
    return false;
}

// The line text[from, to), after lines that left a "/*" comment open or not.
Meaning readMeaning(QStringView text, qsizetype from, qsizetype to, bool open)
{
    Meaning m;
    m.uses = QList<CharUse>(to - from, CharUse::Blank);
    if (!open) {
        if (generatorLine(text.sliced(from, to - from), m))
            return m;
        // The word after `set` or `bind` is the name or key, whatever it starts with.
        const Plain plain = readPlain(text, from, to, false, false, 2);
        if (plain.words.size() >= 2 && !plain.words[0].quoted) {
            const QStringView first = plain.words[0].value;
            qsizetype rest = plain.words[1].end;
            const bool set = isSetCommand(first);
            if ((set || isBindCommand(first)) && rest + 1 < to && isBlank(text[rest])) {
                ++rest;
                plainUses(plain, from, m.uses);
                m.shape = set ? Shape::Set : Shape::Bind;
                m.command = first.toString();
                m.name = plain.words[1].value;
                const QStringView written = text.sliced(rest, to - rest);
                if (set) {
                    m.value = valueOf(written);
                    m.valueStart = rest - from;
                    m.valueEnd = contentEnd(text, plain, rest, to) - from;
                    valueUses(written, m.value, m.valueStart, m.uses);
                } else {
                    m.bound = meantCommandWords(written);
                }
                return m;
            }
        }
    }
    const Plain plain = readPlain(text, from, to, true, open);
    plainUses(plain, from, m.uses);
    for (const PlainWord &word : plain.words)
        m.words << word.value;
    m.openAfter = plain.open;
    return m;
}

// ---------------------------------------------------------------------------------------------
// The console's side.

// The commands of one console line: those with a word starting in it.
struct LineCommands {
    QList<int> commands;
    bool spills = false; // one of them has words outside the line
};

bool readAsMeant(const Meaning &m, const ConsoleRead &read, const LineCommands &line, const ConsoleRules &rules)
{
    if (line.spills)
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
    return words.size() >= 3 && bound == m.bound;
}

// ---------------------------------------------------------------------------------------------
// Explaining a difference.

// Text from the box as a tip quotes it: control characters made visible, long text cut short.
QString shown(QStringView text)
{
    constexpr qsizetype longest = 40;
    QString out = text.first(std::min(text.size(), longest)).toString();
    for (QChar &c : out) {
        if (c.unicode() < u' ' || c.unicode() == 0x7F)
            c = u'?';
    }
    if (text.size() > longest)
        out += QStringLiteral("...");
    return out;
}

QString quoted(QStringView text)
{
    return u'"' + shown(text) + u'"';
}

QString joinedWords(const QList<ReadWord> &words)
{
    QString out;
    for (const ReadWord &word : words) {
        if (!out.isEmpty() || &word != &words.front())
            out += u' ';
        out += word.text;
    }
    return out;
}

// One explained stretch, before it gets its subject ("The game", or the version).
struct Stretch {
    qsizetype start = 0, end = 0;
    QString predicate; // follows the subject: "ends the command at ..."
};

// The box's lines, which '\n' alone ends.
struct Lines {
    QList<qsizetype> starts;
    qsizetype size = 0;

    int at(qsizetype position) const
    {
        return int(std::upper_bound(starts.begin(), starts.end(), position) - starts.begin()) - 1;
    }
    qsizetype end(int line) const { return line + 1 < starts.size() ? starts[line + 1] - 1 : size; }
};

struct LineContext {
    QStringView text;
    const ConsoleRead &read;
    const ConsoleRules &rules;
    const Meaning &m;
    qsizetype from = 0, to = 0; // the console line
    const LineCommands &line;
    const Lines &lines;
    bool afterNul = false;
    const QList<CharUse> *lineUses = nullptr; // the console's uses of this line to compare, where not read.uses

    // Where a position stands, seen from this line: "on the line above", "3 lines below".
    QString where(qsizetype position) const
    {
        const int delta = lines.at(position) - lines.at(from);
        if (delta == 0)
            return QStringLiteral("on this line");
        if (delta == -1 || delta == 1)
            return delta < 0 ? QStringLiteral("on the line above") : QStringLiteral("on the line below");
        return QStringLiteral("%1 lines %2").arg(std::abs(delta)).arg(delta < 0 ? "above" : "below");
    }
};

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
                        runs ? QStringLiteral("reads at most 1,023 characters as one command: it drops %1 here and "
                                              "runs %2 as a command of its own.")
                                   .arg(quoted(c.text.sliced(at, 1)), words)
                             : QStringLiteral("reads at most 1,023 characters as one command: it drops %1 here.")
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

const ConsoleRead::Skipped *commentAt(const ConsoleRead &read, qsizetype at)
{
    const auto it = std::upper_bound(read.comments.begin(), read.comments.end(), at,
                                     [](qsizetype pos, const ConsoleRead::Skipped &s) { return pos < s.start; });
    if (it == read.comments.begin())
        return nullptr;
    const ConsoleRead::Skipped &skipped = *(it - 1);
    return at < skipped.end ? &skipped : nullptr;
}

QString commentPredicate(const LineContext &c, const ConsoleRead::Skipped &comment)
{
    const QString opener = comment.star ? QStringLiteral("\"/*\"") : QStringLiteral("\"//\"");
    if (comment.start < c.from)
        return QStringLiteral("skips this text: it lies in the comment that %1 opens %2.").arg(opener, c.where(comment.start));
    if (!comment.star)
        return QStringLiteral("takes \"//\" as the start of a comment and skips the rest of the line.");
    // The comment ends at its "*/", or at a "*/" that ended the command (which keeps the '/').
    auto closesAt = [&](qsizetype at) { return at + 1 < c.text.size() && c.text[at] == u'*' && c.text[at + 1] == u'/'; };
    const bool closed = (comment.end >= comment.start + 4 && closesAt(comment.end - 2)) || closesAt(comment.end - 1);
    if (closed && comment.end <= c.to)
        return QStringLiteral("takes \"/*\" as the start of a comment and skips everything up to \"*/\".");
    if (closed)
        return QStringLiteral("takes \"/*\" as the start of a comment and skips everything up to the \"*/\" %1.")
            .arg(c.where(comment.end - 1));
    if (comment.end > c.to)
        return QStringLiteral("takes \"/*\" as the start of a comment and skips the rest of the file.");
    if (comment.end == c.to)
        return QStringLiteral("takes \"/*\" as the start of a comment and skips the rest of the line.");
    return QStringLiteral("takes \"/*\" as the start of a comment and skips the rest of the command.");
}

QString wordsIn(const LineContext &c, qsizetype from, qsizetype to)
{
    QStringList words;
    // Commands end in order: the first that can hold a word here is the first ending after `from`.
    const auto first = std::lower_bound(c.read.commands.begin(), c.read.commands.end(), from,
                                        [](const ReadCommand &command, qsizetype at) { return command.end < at; });
    for (auto command = first; command != c.read.commands.end(); ++command) {
        if (command->start >= to)
            break;
        for (const ReadWord &word : command->words) {
            if (word.start >= from && word.start < to)
                words << word.text;
        }
    }
    return quoted(words.join(u' '));
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
                    QStringLiteral("keeps no value longer than %1 characters: %2 gets an empty or shortened value.")
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
    if (words.size() != 2 || words[0].text != c.m.command || words[1].text != c.m.name)
        return;
    out.append({words[1].end, std::max(c.to, words[1].end + 1),
                QStringLiteral("finds nothing to bind after the key %1: it shows what the key runs and binds nothing.")
                    .arg(quoted(c.m.name))});
}

QList<Stretch> explain(const LineContext &c)
{
    QList<Stretch> out;
    splitsAndCuts(c, out);
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

// ---------------------------------------------------------------------------------------------
// The box.

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

void colour(QStringView text, const ConsoleRead &read, const Lines &lines, QList<BoxLine> &out)
{
    auto add = [&](qsizetype start, qsizetype end, TextRole role) {
        while (start < end) {
            const int line = lines.at(start);
            const qsizetype stop = std::min(end, lines.end(line));
            if (stop > start)
                out[line].roles.append({int(start - lines.starts[line]), int(stop - start), role});
            start = stop + 1;
        }
    };
    for (const ReadCommand &command : read.commands) {
        if (command.words.isEmpty())
            continue;
        const bool named = isSetCommand(command.words[0].text) || isBindCommand(command.words[0].text);
        for (qsizetype w = 0; w < command.words.size(); ++w) {
            const ReadWord &word = command.words[w];
            const TextRole role = w == 0 ? TextRole::Command : (w == 1 && named ? TextRole::Name : TextRole::Value);
            add(word.start, word.end, role);
            if (role != TextRole::Value)
                continue;
            for (qsizetype i = word.start; i + 1 < word.end; ++i) {
                if (text[i] != u'^' || read.uses[i] != CharUse::Word || read.uses[i + 1] != CharUse::Word)
                    continue;
                const char16_t code = text[i + 1].unicode();
                if (code >= u'0' && code <= u'9') {
                    const int line = lines.at(i);
                    out[line].codes.append({int(i - lines.starts[line]), int(code - u'0')});
                }
                if (code != u'^')
                    ++i;
            }
        }
    }
    for (const ConsoleRead::Skipped &comment : read.comments)
        add(comment.start, comment.end, TextRole::Comment);
    for (BoxLine &line : out)
        std::sort(line.roles.begin(), line.roles.end(),
                  [](const RoleStretch &a, const RoleStretch &b) { return a.start < b.start; });
}

// The text as the file the box is saved to holds it, one character per byte: each line break a
// CR LF, and in UTF-8 a letter beyond ASCII followed by stand-ins for its further bytes, which the
// console takes as it takes any byte above 127. The length of a command counts them all.
class SavedText
{
public:
    SavedText(QStringView text, const SavedBytes &bytes) : m_size(text.size())
    {
        m_file.reserve(text.size() + text.size() / 16);
        m_toBox.reserve(m_file.capacity() + 2);
        QHash<char16_t, int> counted;
        for (qsizetype b = 0; b < text.size(); ++b) {
            const QChar c = text[b];
            m_toBox << b;
            if (endsConsoleLine(c)) {
                m_toBox << b;
                m_file += QLatin1StringView("\r\n");
                continue;
            }
            m_file += c;
            if (c.unicode() < 0x80)
                continue;
            auto it = counted.find(c.unicode());
            if (it == counted.end())
                it = counted.insert(c.unicode(), bytes.of(c));
            for (int i = 1; i < *it; ++i) {
                m_toBox << b;
                m_file += standIn;
                m_standIns = true;
            }
        }
        // The line break the game puts after the text, and the end of its buffer.
        m_toBox << m_size << m_size + 1;
    }

    // The console's reading of the file, in the positions of the box's text.
    ConsoleRead read(const ConsoleRules &rules) const
    {
        ConsoleRead box = readAsConsole(m_file, rules);
        QList<CharUse> uses(m_size);
        // A box character is what the first of its file characters was.
        for (qsizetype f = 0; f < m_file.size(); ++f) {
            if (f == 0 || m_toBox[f - 1] != m_toBox[f])
                uses[m_toBox[f]] = box.uses[f];
        }
        box.uses = std::move(uses);
        box.nul = box.nul < 0 ? -1 : toBox(box.nul);
        for (ReadCommand &command : box.commands) {
            command.start = toBox(command.start);
            command.end = toBox(command.end);
            command.scanEnd = toBox(command.scanEnd);
            for (ReadWord &word : command.words) {
                word.start = toBox(word.start);
                word.end = toBox(word.end);
                if (m_standIns)
                    word.text.remove(standIn);
            }
        }
        for (ConsoleRead::Skipped &comment : box.comments) {
            comment.start = toBox(comment.start);
            comment.end = toBox(comment.end);
        }
        return box;
    }

private:
    qsizetype toBox(qsizetype file) const { return m_toBox[file]; }

    // A noncharacter, which no text holds.
    static constexpr QChar standIn = QChar(0xFFFF);

    QString m_file;
    QList<qsizetype> m_toBox; // each position of the file in the box: both characters of a CR LF at its line break
    qsizetype m_size;
    bool m_standIns = false;
};

} // namespace

MeantValue meantValue(QStringView rest)
{
    return valueOf(rest).meant;
}

QStringList meantCommandWords(QStringView rest)
{
    const Plain plain = readPlain(rest, 0, rest.size(), false, false);
    return commandWords(rest.first(contentEnd(rest, plain, 0, rest.size())));
}

QStringList commandWords(QStringView command)
{
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= command.size(); ++i) {
        const bool split = i == command.size() || isBlank(command[i]) || command[i] == u'"';
        if (split && start >= 0) {
            words << command.sliced(start, i - start).toString();
            start = -1;
        } else if (!split && start < 0) {
            start = i;
        }
    }
    return words;
}

QStringList plainWords(QStringView line, bool *inComment)
{
    const Plain plain = readPlain(line, 0, line.size(), true, inComment && *inComment);
    if (inComment)
        *inComment = plain.open;
    QStringList words;
    for (const PlainWord &word : plain.words)
        words << word.value;
    return words;
}

BoxReading readBox(QStringView text, const BoxStart &start, const QList<const ConsoleRules *> &versions,
                   const SavedBytes &bytes)
{
    BoxReading box;
    Lines lines;
    lines.size = text.size();
    lines.starts << 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            lines.starts << i + 1;
    }
    const int lineCount = int(lines.starts.size());
    box.lines.resize(lineCount);
    box.settled = QList<bool>(lineCount, true);
    box.next.resize(lineCount);

    // The console's lines: its line breaks include the box's own.
    QList<Span> consoleLines;
    for (qsizetype from = 0;;) {
        qsizetype to = from;
        while (to < text.size() && !endsConsoleLine(text[to]))
            ++to;
        consoleLines.append({from, to});
        if (to >= text.size())
            break;
        from = to + 1;
    }

    const SavedText saved(text, bytes);

    QList<Meaning> meanings;
    meanings.reserve(consoleLines.size());
    bool open = start.inComment;
    for (const Span &line : consoleLines) {
        meanings.append(readMeaning(text, line.start, line.end, open));
        open = meanings.back().openAfter;
        box.next[lines.at(line.start)].inComment = open;
    }

    // Marks of each version, by box line, before they get their subject.
    QList<QList<QList<Stretch>>> found(versions.size(), QList<QList<Stretch>>(lineCount));
    for (qsizetype v = 0; v < versions.size(); ++v) {
        const ConsoleRules &rules = *versions[v];
        ConsoleRead read;
        if (start.afterNul)
            read.uses = QList<CharUse>(text.size(), CharUse::Unread);
        else
            read = saved.read(rules);
        const QList<LineCommands> byLine = commandsByLine(read, consoleLines);
        for (qsizetype l = 0; l < consoleLines.size(); ++l) {
            const Span &span = consoleLines[l];
            if (readAsMeant(meanings[l], read, byLine[l], rules))
                continue;
            const LineContext context{text, read, rules, meanings[l], span.start, span.end,
                                      byLine[l], lines, start.afterNul};
            QList<Stretch> stretches = explain(context);
            if (stretches.isEmpty())
                stretches.append({span.start, std::max(span.end, span.start + 1), QString()});
            found[v][lines.at(span.start)] += stretches;
        }
        if (v == 0)
            colour(text, read, lines, box.lines);
        // A command the buffer was still scanning at a line's end ties that line to the next.
        for (const ReadCommand &command : read.commands) {
            for (int line = lines.at(command.start); line < lineCount && lines.end(line) < command.scanEnd; ++line)
                box.settled[line] = false;
        }
    }

    // One mark per stretch: "The game" when every version finds it, else the versions that do.
    for (int line = 0; line < lineCount; ++line) {
        QList<LineMark> &marks = box.lines[line].marks;
        for (qsizetype v = 0; v < versions.size(); ++v) {
            for (const Stretch &stretch : found[v][line]) {
                bool everywhere = true;
                bool seen = false;
                for (qsizetype w = 0; w < versions.size(); ++w) {
                    const bool has = std::any_of(found[w][line].begin(), found[w][line].end(), [&](const Stretch &s) {
                        return s.start == stretch.start && s.end == stretch.end && s.predicate == stretch.predicate;
                    });
                    everywhere = everywhere && has;
                    seen = seen || (w < v && has);
                }
                if (seen)
                    continue;
                const QString subject = everywhere ? QStringLiteral("The game") : QString::fromLatin1(versions[v]->name);
                const QString tip = stretch.predicate.isEmpty()
                                        ? (everywhere ? QString::fromLatin1(unexplainedTip)
                                                      : subject + QStringLiteral(" reads this line differently from how it is written."))
                                        : subject + u' ' + stretch.predicate;
                const qsizetype clippedEnd = std::min(stretch.end, std::max(lines.end(line), stretch.start + 1));
                marks.append({int(stretch.start - lines.starts[line]), int(clippedEnd - stretch.start), tip});
            }
        }
        box.next[line].afterNul = start.afterNul;
    }
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) {
        for (int line = lines.at(nul); line < lineCount; ++line)
            box.next[line].afterNul = true;
    }
    return box;
}

} // namespace brackwell
