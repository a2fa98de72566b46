#include "console/consolelines.h"

#include <algorithm>
#include <optional>

namespace brackwell {

const ConsoleRules legacyConsole = {"ET: Legacy", true, true, true, false, 0, true};
// 2.60's set keeps about 254 characters; past 250 the value is empty or shortened.
const ConsoleRules originalConsole = {"2.60", false, false, true, true, 250, false};

QString insertedLineBreak(QStringView text)
{
    qsizetype crlf = 0, lf = 0, cr = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++crlf;
            ++i;
        } else if (text[i] == u'\n') {
            ++lf;
        } else if (text[i] == u'\r') {
            ++cr;
        }
    }
    if (crlf >= lf && crlf >= cr)
        return QStringLiteral("\r\n");
    return lf >= cr ? QStringLiteral("\n") : QStringLiteral("\r");
}

namespace {

// A file's line breaks: the game ends a command at CR and LF only.
bool endsFileLine(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// A cell of the console's line buffer that no command of the text wrote.
constexpr char16_t unknownCell = 0xFFFF;

// The bytes ET: Legacy copies with a byte 0xC2-0xF4 in an unquoted word, the first of a UTF-8
// letter to it; 0 for any other byte.
int furtherBytes(char16_t c)
{
    return c < 0xC2 || c > 0xF4 ? 0 : c <= 0xDF ? 1 : c <= 0xEF ? 2 : 3;
}

// The word cutter past a command's end. A lead byte's copy took the NUL after the command along,
// so the cutter goes on in `line` (the line buffer, the command and its NUL in front, then what
// earlier commands left) from `cell` on: first the rest of its word, unseen (the word ends at that
// NUL), then any words there, until it meets a NUL it does not copy. The words stand at `at`.
void readOn(QStringView line, qsizetype cell, const ConsoleRules &rules, ReadCommand &command, qsizetype at)
{
    // A cell nothing wrote, or one past the buffer, ends the reading as a NUL would: what the
    // engine reads there is not known.
    const auto byte = [&](qsizetype k) {
        if (k < line.size() && line[k] != QChar(unknownCell))
            return int(line[k].unicode());
        command.readsUnknown = true;
        return 0;
    };
    const auto slashes = [&](qsizetype k) {
        return byte(k) == u'/' && byte(k + 1) == u'/' && !(rules.colonKeepsSlashes && byte(k - 1) == u':');
    };
    const auto starts = [&](qsizetype k) { return byte(k) == u'/' && byte(k + 1) == u'*'; };
    QString *seen = nullptr; // the word whose characters show, none after a copied NUL
    qsizetype k = cell;
    for (bool inWord = true;;) {
        for (int b = byte(k); inWord && b > u' ' && b != u'"' && !slashes(k) && !starts(k); b = byte(k)) {
            for (int w = furtherBytes(char16_t(b)); w >= 0; --w) {
                const int x = byte(k++);
                if (x == 0) {
                    seen = nullptr;
                    break;
                }
                if (seen)
                    *seen += QChar(x);
            }
        }
        seen = nullptr;
        if (byte(k) == 0 || command.words.size() == consoleWordLimit)
            return;
        // Bytes above 127 count as blanks between words (the engine's char is signed).
        while (byte(k) > 0 && (byte(k) <= u' ' || byte(k) >= 0x80))
            ++k;
        if (byte(k) == 0 || slashes(k))
            return;
        if (starts(k)) {
            for (++k; byte(k) != 0 && !(byte(k) == u'*' && byte(k + 1) == u'/'); ++k) {
            }
            if (byte(k) == 0)
                return;
            k += 2;
            inWord = false;
            continue;
        }
        command.words.append({at, at, {}});
        if (byte(k) == u'"') {
            for (++k; byte(k) != 0 && byte(k) != u'"'; ++k)
                command.words.back().text += QChar(byte(k));
            if (byte(k++) == 0)
                return;
            inWord = false;
            continue;
        }
        seen = &command.words.back().text;
        inWord = true;
    }
}

// The word cutter on the command text [from, to): words, and what every character was to it.
// `line`, where given: the text's characters are bytes of their own value, this command stands in
// the line buffer in front of what earlier commands left, and ET: Legacy takes a byte 0xC2-0xF4
// inside an unquoted word for the start of a UTF-8 letter and copies it with the one to three
// bytes after it, whatever they are (a blank, a double quote), reading on past the command's end.
void cutWords(QStringView text, qsizetype from, qsizetype to, const ConsoleRules &rules, ReadCommand &command,
              ConsoleRead &read, const QString *line = nullptr)
{
    auto pair = [&](qsizetype i, char16_t a, char16_t b) { return i + 1 < to && text[i] == a && text[i + 1] == b; };
    auto slashes = [&](qsizetype i) {
        return pair(i, u'/', u'/') && !(rules.colonKeepsSlashes && i > from && text[i - 1] == u':');
    };
    auto comment = [&](qsizetype start, qsizetype end, bool star) {
        setUses(read.uses, start, end, CharUse::Comment);
        read.comments.append({start, end, star});
    };
    qsizetype i = from;
    for (;;) {
        if (command.words.size() == consoleWordLimit) {
            setUses(read.uses, i, to, CharUse::Unread);
            return;
        }
        for (; i < to; ++i) {
            const char16_t c = text[i].unicode();
            if (c >= 0x80)
                read.uses[i] = CharUse::HighBlank;
            else if (c > u' ')
                break;
        }
        if (i >= to)
            return;
        if (slashes(i)) {
            comment(i, to, false);
            return;
        }
        if (pair(i, u'/', u'*')) {
            // The search starts at the '*': "/*/" is a whole comment.
            qsizetype close = text.sliced(0, to).indexOf(QLatin1StringView("*/"), i + 1);
            const qsizetype end = close < 0 ? to : close + 2;
            comment(i, end, true);
            i = end;
            continue;
        }
        ReadWord word;
        word.start = i;
        if (text[i] == u'"') {
            const qsizetype close = text.sliced(0, to).indexOf(u'"', i + 1);
            const qsizetype inner = close < 0 ? to : close;
            read.uses[i] = CharUse::Quote;
            setUses(read.uses, i + 1, inner, CharUse::Word);
            word.text = text.sliced(i + 1, inner - i - 1).toString();
            i = close < 0 ? to : close + 1;
            if (close >= 0)
                read.uses[close] = CharUse::Quote;
        } else {
            bool past = false; // a lead byte's copy ran into the NUL after the command
            for (; i < to; ++i) {
                const char16_t c = text[i].unicode();
                if (c <= u' ' || (c >= 0x80 && !rules.highCharsInWords) || c == u'"' || slashes(i)
                    || pair(i, u'/', u'*'))
                    break;
                if (line && furtherBytes(c) > 0) {
                    past = i + furtherBytes(c) >= to;
                    i = std::min(i + furtherBytes(c), to - 1);
                }
            }
            setUses(read.uses, word.start, i, CharUse::Word);
            word.text = text.sliced(word.start, i - word.start).toString();
            if (past) {
                word.end = to;
                command.words.append(std::move(word));
                command.readsOn = true;
                readOn(*line, to - from + 1, rules, command, to);
                return;
            }
        }
        word.end = i;
        command.words.append(std::move(word));
    }
}

} // namespace

namespace {
ConsoleRead readBytes(QStringView text, const ConsoleRules &rules, bool byteValues);
} // namespace

ConsoleRead readAsConsole(QStringView text, const ConsoleRules &rules, TextBytes bytes)
{
    if (bytes != TextBytes::Utf8 || std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return readBytes(text, rules, bytes == TextBytes::OnePerCharacter);
    // One character per byte: a letter beyond ASCII is followed by a stand-in for each further byte,
    // which the console takes as it takes any byte above 127. Read, then put back in the text's terms.
    QString file;
    QList<qsizetype> toText; // per byte, the character it belongs to
    file.reserve(text.size() + text.size() / 8);
    toText.reserve(file.capacity() + 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        file += text[i];
        toText << i;
        for (int extra = bytesOf(text[i], bytes) - 1; extra > 0; --extra) {
            file += byteStandIn;
            toText << i;
        }
    }
    toText << text.size() << text.size() + 1;
    return readInTextPositions(readBytes(file, rules, false), toText, text.size(), true);
}

ConsoleRead readInTextPositions(ConsoleRead read, const QList<qsizetype> &toText, qsizetype textSize, bool standIns)
{
    QList<CharUse> uses(textSize);
    for (qsizetype f = 0; f + 2 < toText.size(); ++f) {
        if (f == 0 || toText[f - 1] != toText[f])
            uses[toText[f]] = read.uses[f];
    }
    read.uses = std::move(uses);
    const auto back = [&](qsizetype f) { return toText[f]; };
    read.nul = read.nul < 0 ? -1 : back(read.nul);
    read.openComment = read.openComment < 0 ? -1 : back(read.openComment);
    for (ReadCommand &command : read.commands) {
        command.start = back(command.start);
        command.end = back(command.end);
        command.scanEnd = back(command.scanEnd);
        for (ReadWord &word : command.words) {
            word.start = back(word.start);
            word.end = back(word.end);
            if (standIns)
                word.text.remove(byteStandIn);
        }
    }
    for (ConsoleRead::Skipped &comment : read.comments) {
        comment.start = back(comment.start);
        comment.end = back(comment.end);
    }
    return read;
}

namespace {

ConsoleRead readBytes(QStringView text, const ConsoleRules &rules, bool byteValues)
{
    const bool leadBytes = byteValues && rules.highCharsInWords;
    ConsoleRead read;
    read.uses = QList<CharUse>(text.size(), CharUse::Blank);
    read.nul = text.indexOf(QChar(0));
    // The game reads a file as a C string, and puts a line break after it in the buffer.
    const qsizetype size = read.nul < 0 ? text.size() : read.nul;
    setUses(read.uses, size, text.size(), CharUse::Unread);
    const qsizetype bufferEnd = size + 1;
    auto at = [&](qsizetype i) { return i < size ? text[i].unicode() : u'\n'; };

    // Like the game's, the comment flags live as long as the buffer is being executed.
    // Where the next line break and the next "/*" stand, found once for each stretch searched: a
    // command after a cut searches again from before where the one cut stopped.
    qsizetype breakFrom = size + 1, knownBreak = -1;
    qsizetype starFrom = size + 1, knownStar = -1;
    auto nextBreak = [&](qsizetype from) {
        if (knownBreak < from || from < breakFrom) {
            breakFrom = knownBreak = from;
            while (knownBreak < size && !endsFileLine(text[knownBreak]))
                ++knownBreak;
        }
        return knownBreak;
    };
    auto nextStar = [&](qsizetype from) {
        if (knownStar < from || from < starFrom) {
            starFrom = from;
            knownStar = text.first(size).indexOf(QLatin1StringView("/*"), from);
            if (knownStar < 0)
                knownStar = size;
        }
        return knownStar;
    };

    // Inside a "/*" comment past the line length, the only thing left to find is the "*/" that
    // ends the search: the first after an even number of quotes since the command's start. Each
    // command after a cut searches on from its own start, so a comment left open would be read to
    // the text's end once per 1,024 bytes; the "*/" of each quote parity are listed once instead.
    struct Closes {
        QList<int> quotesBefore;       // quotes in the text before each position
        QList<qsizetype> byParity[2];  // "*/" positions, by the parity of the quotes before them
    };
    std::optional<Closes> closes;
    auto closeAfter = [&](qsizetype from, qsizetype commandStart) {
        if (!closes) {
            closes.emplace();
            closes->quotesBefore.resize(size + 1);
            int quotes = 0;
            for (qsizetype k = 0; k < size; ++k) {
                closes->quotesBefore[k] = quotes;
                if (text[k] == u'"')
                    ++quotes;
                else if (text[k] == u'*' && k + 1 < size && text[k + 1] == u'/')
                    closes->byParity[quotes % 2] << k;
            }
            closes->quotesBefore[size] = quotes;
        }
        const QList<qsizetype> &list = closes->byParity[closes->quotesBefore[commandStart] % 2];
        const auto close = std::lower_bound(list.cbegin(), list.cend(), from);
        return close == list.cend() ? bufferEnd : *close;
    };

    // The console's line buffer: each command is copied to its front with a NUL after it, over
    // what earlier ones left. What ran before the text is not known.
    QString line;
    if (leadBytes)
        line = QString(consoleLineLength + 1, QChar(unknownCell));

    bool inStar = false;
    bool inSlash = false;
    qsizetype pos = 0;
    while (pos < bufferEnd) {
        ReadCommand command;
        command.start = pos;
        command.ending = ReadCommand::End::TextEnd;
        int quotes = 0;
        qsizetype i = pos;
        for (; i < bufferEnd; ++i) {
            // A command already too long is cut whatever follows. Outside a "/*" comment that can
            // open no more before the line's end, the buffer ends it on this line with every
            // comment closed: the rest of the search decides nothing.
            if (i - pos >= consoleLineLength && !inStar
                && (!rules.bufferKnowsComments || nextStar(i) >= nextBreak(i))) {
                i = nextBreak(i);
                inSlash = false;
                command.ending = ReadCommand::End::LineBreak;
                break;
            }
            if (i - pos >= consoleLineLength && inStar && rules.bufferKnowsComments) {
                i = closeAfter(i, pos);
                if (i >= bufferEnd)
                    break;
                quotes = closes->quotesBefore[i] - closes->quotesBefore[pos];
            }
            const char16_t c = at(i);
            if (c == u'"')
                ++quotes;
            if (quotes % 2 == 0) {
                if (rules.bufferKnowsComments) {
                    if (i < bufferEnd - 1) {
                        const char16_t d = at(i + 1);
                        if (!inStar && c == u'/' && d == u'/') {
                            inSlash = true;
                        } else if (!inSlash && c == u'/' && d == u'*') {
                            if (!inStar)
                                read.openComment = i;
                            inStar = true;
                        } else if (inStar && c == u'*' && d == u'/') {
                            inStar = false;
                            ++i;
                            command.ending = ReadCommand::End::CommentEnd;
                            break;
                        }
                    }
                    if (!inSlash && !inStar && c == u';') {
                        command.ending = ReadCommand::End::Semicolon;
                        break;
                    }
                } else if (c == u';') {
                    command.ending = ReadCommand::End::Semicolon;
                    break;
                }
            }
            if (!inStar && endsFileLine(QChar(c))) {
                inSlash = false;
                command.ending = ReadCommand::End::LineBreak;
                break;
            }
        }
        command.scanEnd = i;
        qsizetype end = i;
        // A command of exactly the line's length loses only its separator: no cut.
        if (end - pos > consoleLineLength) {
            end = pos + consoleLineLength;
            command.ending = ReadCommand::End::Cut;
        }
        command.end = std::min(end, size);
        if (leadBytes) {
            const qsizetype length = command.end - command.start;
            std::copy(text.begin() + command.start, text.begin() + command.end, line.begin());
            line[length] = QChar(0);
        }
        cutWords(text, command.start, command.end, rules, command, read, leadBytes ? &line : nullptr);
        // Text these run goes through the buffer before the next command, or a later frame does.
        static const QStringList runsText = {QStringLiteral("vstr"), QStringLiteral("exec"), QStringLiteral("execq"),
                                             QStringLiteral("wait")};
        if (leadBytes && !command.words.isEmpty() && runsText.contains(command.words.front().text, Qt::CaseInsensitive))
            line.fill(QChar(unknownCell));
        if (end < size) {
            switch (command.ending) {
            case ReadCommand::End::Cut: read.uses[end] = CharUse::Dropped; break;
            case ReadCommand::End::CommentEnd: read.uses[end] = CharUse::Comment; break;
            default: read.uses[end] = CharUse::Separator; break;
            }
        }
        read.commands.append(std::move(command));
        // The character at the end (the break, or the one a cut drops) is skipped, unless the
        // buffer is used up.
        pos = end == bufferEnd ? bufferEnd : end + 1;
    }
    if (!inStar)
        read.openComment = -1;
    return read;
}

} // namespace

} // namespace brackwell
