#include "marks/marksdetail.h"

namespace brackwell::marks {

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

} // namespace brackwell::marks
