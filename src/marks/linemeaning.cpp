#include "marks/marksdetail.h"

#include "script/catalogue.h"

namespace brackwell::marks {

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

struct PlainWord {
    qsizetype start = 0, end = 0;
    QString value;
    bool quoted = false;
    bool closed = false; // a quoted word's closing quote is there
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
        return j >= to || isBlank(text[j]) || text[j] == u';' || pair(j, u'/', u'/') || (starComments && pair(j, u'/', u'*'));
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
    // Blanks between words mean nothing: the game joins the words with one blank, as a reader does.
    // A NUL character is no blank: the game stops reading there.
    const auto blank = [](QChar c) { return isBlank(c) && !c.isNull(); };
    QString words;
    for (qsizetype i = 0; i < written.size();) {
        if (blank(written[i])) {
            while (i < written.size() && blank(written[i]))
                ++i;
            if (!words.isEmpty() && i < written.size())
                words += u' ';
            continue;
        }
        words += written[i++];
    }
    return {{words, false}, Value::AsWritten, written.size()};
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
                // Blanks before a value change nothing: tab-aligned files are read as meant.
                while (rest + 1 < to && isBlank(text[rest]))
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

} // namespace brackwell::marks

namespace brackwell {

using namespace marks;

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

} // namespace brackwell
