#include "settings/consolelines.h"

namespace brackwell {

namespace {

bool pairAt(QStringView text, qsizetype i, char16_t first, char16_t second)
{
    return i + 1 < text.size() && text[i] == first && text[i + 1] == second;
}

// The console's blank: every character up to the space. A character above 127 counts too before
// a word: the game compares signed characters, so both its versions skip such a byte there.
bool skippedBeforeWord(QChar c)
{
    return c.unicode() <= u' ' || c.unicode() >= 0x80;
}

// Cuts a line into command texts as the command buffer does: at ';' outside quotes, never after
// "//" or inside "/* */". `inStar` carries an open "/*" comment to the next line.
QList<QStringView> cutCommands(QStringView line, bool &inStar, bool &touchedStar)
{
    QList<QStringView> pieces;
    qsizetype start = 0;
    int quotes = 0;
    bool inSlash = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (inStar) {
            touchedStar = true;
            if (pairAt(line, i, u'*', u'/')) {
                inStar = false;
                ++i;
            }
            continue;
        }
        const QChar c = line[i];
        if (c == u'"') {
            ++quotes;
            continue;
        }
        if (quotes % 2 != 0 || inSlash)
            continue;
        if (pairAt(line, i, u'/', u'/')) {
            inSlash = true;
        } else if (pairAt(line, i, u'/', u'*')) {
            inStar = touchedStar = true;
            ++i;
        } else if (c == u';') {
            pieces.append(line.sliced(start, i - start));
            start = i + 1;
            quotes = 0;
        }
    }
    pieces.append(line.sliced(start));
    return pieces;
}

// The words of one command as the console's tokenizer reads them; a "//" comment goes to `comment`.
ConsoleCommand tokenize(QStringView text, QStringView &comment)
{
    ConsoleCommand command;
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && skippedBeforeWord(text[i]))
            ++i;
        if (i >= n)
            break;
        if (pairAt(text, i, u'/', u'/')) {
            comment = text.sliced(i).trimmed();
            break;
        }
        if (pairAt(text, i, u'/', u'*')) {
            const qsizetype end = text.indexOf(QLatin1StringView("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        }
        if (text[i] == u'"') {
            const qsizetype close = text.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? n : close;
            command.words.append(text.sliced(i + 1, end - i - 1));
            command.quoted.append(true);
            i = close < 0 ? n : close + 1;
            continue;
        }
        const qsizetype start = i;
        while (i < n && text[i].unicode() > u' ') {
            if (text[i] == u'"' || pairAt(text, i, u'/', u'*'))
                break;
            if (pairAt(text, i, u'/', u'/')) {
                // After a ':' ("http://") some versions keep the word going, others end it here.
                if (i > start && text[i - 1] == u':')
                    command.clear = false;
                else
                    break;
            }
            if (text[i].unicode() >= 0x80)
                command.clear = false;
            ++i;
        }
        command.words.append(text.sliced(start, i - start));
        command.quoted.append(false);
    }
    return command;
}

} // namespace

QList<ConsoleLine> splitConsoleLines(QStringView text)
{
    QList<ConsoleLine> lines;
    lines.reserve(text.count(u'\n') + 1);
    bool inStar = false;
    bool afterNul = false;
    qsizetype start = 0;
    int number = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        ConsoleLine line;
        line.number = ++number;
        line.text = text.sliced(start, end - start);

        afterNul = afterNul || line.text.contains(QChar(0));
        bool touchedStar = inStar;
        line.pieces = cutCommands(line.text, inStar, touchedStar);
        for (qsizetype p = 0; p < line.pieces.size(); ++p) {
            ConsoleCommand command = tokenize(line.pieces[p], line.comment);
            command.piece = int(p);
            if (!command.words.isEmpty())
                line.commands.append(std::move(command));
        }
        line.clear = !touchedStar && !afterNul;
        lines.append(std::move(line));

        start = pairAt(text, end, u'\r', u'\n') ? end + 2 : end + 1;
    }
    return lines;
}

} // namespace brackwell
