#include "settings/saving.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

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
    // The maintained client reads its own "legacy" folder before "etmain"; the original Linux
    // release kept its files in ~/.etwolf.
    if (platform == Platform::Windows)
        folders << below(places.documents, "ETLegacy/legacy") << below(places.documents, "ETLegacy/etmain");
    else
        folders << below(places.home, ".etlegacy/legacy") << below(places.home, ".etlegacy/etmain")
                << below(places.home, ".etwolf/etmain");
    folders.removeAll(QString());
    return folders;
}

std::optional<QString> firstExistingFolder(const QStringList &folders)
{
    for (const QString &folder : folders)
        if (QFileInfo(folder).isDir())
            return folder;
    return std::nullopt;
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
    // bytes are read back and compared rather than trusting the encoder's error flag.
    QStringDecoder decoder(encoding);
    return QString(decoder.decode(bytes)) == text;
}

QString unencodableMessage(const QString &text, QStringConverter::Encoding encoding)
{
    int line = 1;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString character = text.mid(i, pair ? 2 : 1);
        if (!survivesRoundTrip(character, encoded(character, encoding), encoding)) {
            const char32_t codePoint = pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
            return QStringLiteral("The config file cannot hold the character \"%1\" (U+%2) on line %3")
                .arg(character, QString::number(uint(codePoint), 16).toUpper().rightJustified(4, u'0'))
                .arg(line);
        }
        if (text.at(i) == u'\n')
            ++line;
        i += character.size();
    }
    return {};
}

} // namespace

ScriptBytes encodeScript(const QString &text, QStringConverter::Encoding encoding)
{
    // A line break may reach the box as CR LF or a lone CR (pasted text); each becomes one CR LF.
    QString lines = text;
    lines.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
    lines.replace(u'\r', u'\n');
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
