#include "console/consolecommands.h"

#include "console/keynames.h"

#include <algorithm>

namespace brackwell {

bool sameName(QStringView word, QLatin1StringView name)
{
    return word.compare(name, Qt::CaseInsensitive) == 0;
}

bool isSetCommand(QStringView word)
{
    return sameName(word, QLatin1StringView("set")) || sameName(word, QLatin1StringView("seta"))
        || sameName(word, QLatin1StringView("sets")) || sameName(word, QLatin1StringView("setu"));
}

bool isBindCommand(QStringView word)
{
    return sameName(word, QLatin1StringView("bind"));
}

bool takesUnsafeFlag(const ConsoleRules &rules, const QList<ReadWord> &words)
{
    // ET: Legacy compares the word exactly: "UNSAFE" is part of the value there.
    const QLatin1StringView flag("unsafe");
    if (words.size() < 4 || !(rules.unsafeIsFlag ? words.back().text == flag : sameName(words.back().text, flag)))
        return false;
    return rules.unsafeIsFlag
        || (rules.setaTakesOneValue && words.size() == 4 && !sameName(words[0].text, QLatin1StringView("set")));
}

std::optional<QString> storedValue(const ConsoleRules &rules, const QList<ReadWord> &words)
{
    if (words.size() < 3)
        return std::nullopt;
    qsizetype last = words.size();
    if (takesUnsafeFlag(rules, words))
        --last;
    if (rules.setaTakesOneValue && !sameName(words[0].text, QLatin1StringView("set")) && last != 3)
        return std::nullopt;
    QString value;
    for (qsizetype i = 2; i < last; ++i) {
        if (i > 2)
            value += u' ';
        value += words[i].text;
    }
    if (rules.longestValue > 0 && value.size() > rules.longestValue)
        return std::nullopt;
    return value;
}

bool refusedName(QStringView name)
{
    return name.contains(u'\\') || name.contains(u'"') || name.contains(u';');
}

std::optional<QString> wordInPlace(QStringView text, qsizetype start, qsizetype end, bool inQuotes, QStringView value)
{
    if (value.contains(u'"') || value.contains(u'\n') || value.contains(u'\r'))
        return std::nullopt;
    if (inQuotes)
        return value.toString();
    const bool bare = !value.isEmpty() && !value.contains(QLatin1StringView("//")) && !value.contains(QLatin1StringView("/*"))
                      && std::none_of(value.cbegin(), value.cend(), [](QChar c) {
                             return c.unicode() <= u' ' || c.unicode() >= 0x7F || c == u';';
                         });
    // A bare word joins the word before it unless a blank or a closing quote stands between, and
    // takes in what follows it unless that is a blank, a separator or a quote: a letter above 127
    // the console skipped between words, a "//" that reads otherwise after a '/' or ':'.
    const auto ends = [](QChar c) { return c.unicode() <= u' ' || c == u'"' || c == u';'; };
    const bool apart = start == 0 || text[start - 1].unicode() <= u' ' || text[start - 1] == u'"';
    const bool closed = end >= text.size() || ends(text[end]);
    if (bare && apart && closed)
        return value.toString();
    return u'"' + value.toString() + u'"';
}

namespace {

// Words from `first` on joined with one blank each, as bind and a bare variable join them.
QString joined(const QList<ReadWord> &words, qsizetype first, qsizetype end)
{
    QString text;
    for (qsizetype i = first; i < end; ++i) {
        if (i > first)
            text += u' ';
        text += words[i].text;
    }
    return text;
}

} // namespace

CommandEffect commandEffect(const QList<ReadWord> &words, const ConsoleRules &rules, bool (*isVariable)(QStringView))
{
    using Kind = CommandEffect::Kind;
    CommandEffect effect;
    if (words.isEmpty())
        return effect;
    const QString &command = words[0].text;
    if (isSetCommand(command)) {
        const std::optional<QString> value = storedValue(rules, words);
        if (!value || refusedName(words[1].text))
            return effect;
        const qsizetype last = words.size() - (takesUnsafeFlag(rules, words) ? 2 : 1);
        return {Kind::Set, words[1].text, *value, 2, last};
    }
    if (isBindCommand(command)) {
        if (words.size() < 3 || keyIdentity(words[1].text).isEmpty())
            return effect;
        return {Kind::Bind, words[1].text, joined(words, 2, words.size()), 1, 1};
    }
    if (sameName(command, QLatin1StringView("unbind"))) {
        if (words.size() != 2 || keyIdentity(words[1].text).isEmpty())
            return effect;
        return {Kind::Unbind, words[1].text, {}, 1, 1};
    }
    if (sameName(command, QLatin1StringView("unbindall")))
        return {Kind::UnbindAll, {}, {}, 0, 0};
    if (isVariable && words.size() >= 2 && isVariable(command))
        return {Kind::Set, command, joined(words, 1, words.size()), 1, words.size() - 1};
    return effect;
}

} // namespace brackwell
