#include "document/filebytes.h"

#include "console/consolelines.h"
#include "document/textlines.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace brackwell {

qint64 savedFileSize(QByteArrayView fileBytes)
{
    const qsizetype size = fileBytes.size();
    qint64 saved = size;
    for (qsizetype i = 0; i < size; ++i) {
        // A lone LF or a lone CR each gains the other half of its CR LF.
        if (fileBytes[i] == '\n' && (i == 0 || fileBytes[i - 1] != '\r'))
            ++saved;
        else if (fileBytes[i] == '\r' && (i + 1 == size || fileBytes[i + 1] != '\n'))
            ++saved;
    }
    if (size == 0 || (fileBytes.back() != '\n' && fileBytes.back() != '\r'))
        saved += 2;
    return saved;
}

namespace {

QByteArray encoded(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

bool survivesRoundTrip(const QString &text, const QByteArray &bytes, QStringConverter::Encoding encoding)
{
    // Encoders put a stand-in ("?" or a best-fit letter) where a character has no code, so the
    // bytes are read back and compared rather than trusting the encoder's error flag. A byte-order
    // mark the text holds is read back as the character it is, not dropped.
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    return QString(decoder.decode(bytes)) == text;
}

QString characterMessage(const QString &character, int line)
{
    const char32_t codePoint = character.size() == 2 ? QChar::surrogateToUcs4(character[0], character[1])
                                                     : character[0].unicode();
    return QStringLiteral("The config file cannot hold the character \"%1\" (U+%2) on line %3")
        .arg(character, QString::number(uint(codePoint), 16).toUpper().rightJustified(4, u'0'))
        .arg(line);
}

// The first character of `text` that `encoding` cannot hold, as a message counting lines from
// `firstLine`; empty when every character alone can be held.
QString unencodableMessage(const QString &text, QStringConverter::Encoding encoding, int firstLine = 1)
{
    int line = firstLine;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString character = text.mid(i, pair ? 2 : 1);
        if (!survivesRoundTrip(character, encoded(character, encoding), encoding))
            return characterMessage(character, line);
        if (text.at(i) == u'\n')
            ++line;
        i += character.size();
    }
    return {};
}

struct ByteLine {
    QByteArrayView text, lineBreak;
};

// The lines of a file's bytes where the box breaks them: at CR LF, LF and CR, and in UTF-8 at the
// bytes of U+2028 and U+2029.
QList<ByteLine> byteLines(QByteArrayView bytes, QStringConverter::Encoding encoding)
{
    QList<ByteLine> lines;
    const bool utf8 = encoding == QStringConverter::Utf8;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        qsizetype length = 0;
        if (bytes[i] == '\r')
            length = i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
        else if (bytes[i] == '\n')
            length = 1;
        else if (utf8 && bytes.sliced(i).startsWith("\xE2\x80") && i + 2 < bytes.size()
                 && (bytes[i + 2] == '\xA8' || bytes[i + 2] == '\xA9'))
            length = 3;
        if (length == 0)
            continue;
        lines.append({bytes.sliced(start, i - start), bytes.sliced(i, length)});
        i += length - 1;
        start = i + 1;
    }
    lines.append({bytes.sliced(start), {}});
    return lines;
}

// Which opened line each line of the box is, where it is one. The box's lines before the first
// and after the last that differ from the file are those lines of the file; between them a line is
// the next copy there of the same text, else any copy. Copies matter only where reading made
// different bytes into the same text.
QList<qsizetype> openedLineOfEach(const QStringList &box, const OpenedLines &opened, QList<bool> &moved)
{
    moved = QList<bool>(box.size(), false);
    const auto [head, tail] = commonEnds(box.size(), opened.size(),
                                         [&](qsizetype i, qsizetype j) { return box[i] == opened.text(j); });
    QList<qsizetype> lines(box.size(), -1);
    QHash<QString, qsizetype> copiesUsed;
    for (qsizetype j = 0; j < box.size(); ++j) {
        if (j < head) {
            lines[j] = j;
        } else if (j >= box.size() - tail) {
            lines[j] = opened.size() - (box.size() - j);
        } else {
            const QList<qsizetype> copies = opened.linesReading(box[j]);
            if (copies.isEmpty())
                continue;
            const auto first = std::lower_bound(copies.cbegin(), copies.cend(), head);
            const auto last = std::lower_bound(first, copies.cend(), opened.size() - tail);
            if (first == last) {
                lines[j] = copies.front(); // moved here from where the file has it
                moved[j] = true;
                continue;
            }
            lines[j] = first[std::min<qsizetype>(copiesUsed[box[j]]++, last - first - 1)];
        }
    }
    return lines;
}

// Line by line, for a box that holds lines of an opened file.
ScriptBytes encodeLines(const QString &text, QStringConverter::Encoding encoding, const OpenedLines &opened)
{
    const QStringList lines = text.split(u'\n');
    QList<bool> moved;
    const QList<qsizetype> openedLine = openedLineOfEach(lines, opened, moved);
    QByteArray bytes;
    for (qsizetype j = 0; j < lines.size(); ++j) {
        const int number = int(j + 1);
        if (j > 0) {
            const qsizetype before = openedLine[j - 1];
            const QByteArray was = before >= 0 ? opened.lineBreak(before) : QByteArray();
            // U+2028 and U+2029 end no line in the game: one stays only between the text it stood
            // between in the file (the line after it may have been changed), never before a line
            // put in or moved.
            const bool real = was == "\r\n" || was == "\n" || was == "\r";
            const bool kept = !was.isEmpty()
                              && (real || (!moved[j - 1] && (openedLine[j] == before + 1 || openedLine[j] < 0)));
            bytes += kept ? was : opened.fileBreak();
        }
        if (openedLine[j] >= 0) {
            bytes += opened.bytes(openedLine[j]);
            continue;
        }
        const QString &line = lines[j];
        const QByteArray written = encoded(line, encoding);
        if (!survivesRoundTrip(line, written, encoding)) {
            const QString error = unencodableMessage(line, encoding, number);
            return {{}, error.isEmpty() ? QStringLiteral("The config file cannot hold the text of line %1").arg(number)
                                        : error};
        }
        if (line.contains(QChar::ReplacementCharacter))
            return {{}, characterMessage(QString(QChar::ReplacementCharacter), number)};
        bytes += written;
    }
    return {bytes, {}};
}

} // namespace

OpenedLines::OpenedLines(QByteArrayView bytes, const QString &text, QStringConverter::Encoding encoding)
{
    const QList<ByteLine> lines = byteLines(bytes, encoding);
    QStringList lineTexts = withLineFeeds(text).split(u'\n');
    // Line breaks are bytes that no character set here uses inside a character, so the text has
    // as many lines as the bytes; should a decoder have swallowed one, each line is read on its
    // own instead.
    if (lineTexts.size() != lines.size()) {
        lineTexts.clear();
        for (const ByteLine &line : lines)
            lineTexts << QString(QStringDecoder(encoding).decode(line.text));
    }
    m_texts = lineTexts;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        m_bytes << lines[i].text.toByteArray();
        m_breaks << lines[i].lineBreak.toByteArray();
        m_where[lineTexts[i]].append(i);
    }
    m_fileBreak = insertedLineBreak(text).toLatin1();
}

ScriptBytes encodeScript(const QString &text, QStringConverter::Encoding encoding, const OpenedLines &opened)
{
    const QString lines = withLineFeeds(text);
    if (!opened.isEmpty() || lines.contains(QChar::ReplacementCharacter))
        return encodeLines(lines, encoding, opened);
    const QString fileText = QString(lines).replace(u'\n', QLatin1StringView("\r\n"));
    const QByteArray bytes = encoded(fileText, encoding);
    if (survivesRoundTrip(fileText, bytes, encoding))
        return {bytes, {}};
    QString error = unencodableMessage(lines, encoding);
    // Every character alone survived, yet the whole did not: still refuse rather than lose text.
    if (error.isEmpty())
        error = QStringLiteral("The config file cannot hold the text of the output box");
    return {{}, error};
}

} // namespace brackwell
