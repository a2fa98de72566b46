#include "settings/saving.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace brackwell {

namespace {

// `relative` below `base`, or nothing when the place is unknown.
QString below(const QString &base, const char *relative)
{
    if (base.isEmpty())
        return {};
    return base.endsWith(u'/') ? base + QLatin1StringView(relative) : base + u'/' + QLatin1StringView(relative);
}

} // namespace

QStringList gameFolderCandidates(const GamePlaces &places, Platform platform)
{
    QStringList folders{below(places.driveRoot, "Program Files/Wolfenstein - Enemy Territory/etmain")};
    if (platform == Platform::Windows)
        folders << below(places.driveRoot, "Program Files (x86)/Wolfenstein - Enemy Territory/etmain");
    // The maintained client reads its own "legacy" folder before "etmain", installed as a Flatpak
    // in the home the sandbox gives it; the original Linux release kept its files in ~/.etwolf.
    if (platform == Platform::Windows)
        folders << below(places.documents, "ETLegacy/legacy") << below(places.documents, "ETLegacy/etmain");
    else
        folders << below(places.home, ".etlegacy/legacy") << below(places.home, ".etlegacy/etmain")
                << below(places.home, ".var/app/com.etlegacy.ETLegacy/.etlegacy/legacy")
                << below(places.home, ".var/app/com.etlegacy.ETLegacy/.etlegacy/etmain")
                << below(places.home, ".etwolf/etmain");
    folders.removeAll(QString());
    return folders;
}

GameFolderChoice chooseGameFolder(const QStringList &folders, const std::function<bool(const QString &)> &takesNewFiles)
{
    GameFolderChoice choice;
    for (const QString &folder : folders) {
        if (!QFileInfo(folder).isDir())
            continue;
        if (takesNewFiles(folder)) {
            choice.folder = folder;
            choice.refused.clear();
            return choice;
        }
        if (choice.refused.isEmpty())
            choice.refused = folder;
    }
    return choice;
}

QString oneClickFile(const QString &folder)
{
    return below(folder, oneClickFileName);
}

QString withConfigSuffix(const QString &chosen)
{
    const QString suffix = u'.' + QLatin1StringView(configSuffix);
    return chosen.endsWith(suffix, Qt::CaseInsensitive) ? chosen : chosen + suffix;
}

QString boxText(const QString &rawDocumentText)
{
    QString text = rawDocumentText;
    for (QChar &c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    }
    return text;
}

QString oneClickText(const QString &boxText)
{
    return boxText.endsWith(u'\n') || boxText.endsWith(u'\r') ? boxText : boxText + u'\n';
}

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

QList<QByteArrayView> byteLines(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        lines << bytes.sliced(start, i - start);
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines << bytes.sliced(start);
    return lines;
}

// Which opened line each line of the box is, where it is one. The box's lines before the first
// and after the last that differ from the file are those lines of the file; between them a line is
// the next copy there of the same text, else any copy. Copies matter only where reading made
// different bytes into the same text.
QList<qsizetype> openedLineOfEach(const QStringList &box, const OpenedLines &opened)
{
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
    const QList<qsizetype> openedLine = openedLineOfEach(lines, opened);
    QByteArray bytes;
    for (qsizetype j = 0; j < lines.size(); ++j) {
        const int number = int(j + 1);
        if (j > 0)
            bytes += "\r\n";
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

QString withLineFeeds(const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
    lines.replace(u'\r', u'\n');
    return lines;
}

OpenedLines::OpenedLines(QByteArrayView bytes, const QString &text, QStringConverter::Encoding encoding)
{
    const QList<QByteArrayView> lineBytes = byteLines(bytes);
    QStringList lineTexts = withLineFeeds(text).split(u'\n');
    // Line breaks are single bytes that no character set here uses inside a character, so the
    // text has as many lines as the bytes; should a decoder have swallowed one, each line is read
    // on its own instead.
    if (lineTexts.size() != lineBytes.size()) {
        lineTexts.clear();
        for (const QByteArrayView line : lineBytes)
            lineTexts << QString(QStringDecoder(encoding).decode(line));
    }
    m_texts = lineTexts;
    for (qsizetype i = 0; i < lineBytes.size(); ++i) {
        m_bytes << lineBytes[i].toByteArray();
        m_where[lineTexts[i]].append(i);
    }
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

QString oneClickFailureMessage(const WriteFailure &failure)
{
    switch (failure.code) {
    case 2: return QStringLiteral("File not found");
    case 3: return QStringLiteral("Invalid filename");
    case 4: return QStringLiteral("Too many open files");
    case 5: return QStringLiteral("File access denied");
    case 100: return QStringLiteral("Read beyond end of file");
    case 101: return QStringLiteral("Disk full");
    case 106: return QStringLiteral("Invalid numeric input");
    default: return QStringLiteral("I/O error %1").arg(failure.systemError);
    }
}

QString unwritableGameFolderMessage(const QString &folder)
{
    return QStringLiteral("File access denied: the game folder \"%1\" cannot be written. "
                          "Save with \"Manually Select Save Destination\" instead")
        .arg(QDir::toNativeSeparators(folder));
}

QString systemReason(const QString &description)
{
    QString reason = description;
    while (!reason.isEmpty() && (reason.back().isSpace() || reason.back() == u'.'))
        reason.chop(1);
    return reason;
}

WriteFailure noGameFolder()
{
    return {WriteFailure::Stage::Create, 3, 0, {}};
}

QString dialogFailureMessage(const QString &path, const WriteFailure &failure)
{
    if (failure.stage == WriteFailure::Stage::Write)
        return QLatin1StringView(streamWriteError);
    return QStringLiteral("Cannot create file \"%1\". %2")
        .arg(QDir::toNativeSeparators(path), systemReason(failure.description));
}

QString replaceQuestion(const QString &path)
{
    return QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QDir::toNativeSeparators(path));
}

} // namespace brackwell
