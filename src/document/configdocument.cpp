#include "document/configdocument.h"

#include "document/configedit.h"
#include "document/textlines.h"

#include <QFileInfo>

namespace brackwell {

namespace {

QString refusal(const QString &path, const FileRead &file)
{
    if (file.kind == FileRead::Kind::Folder)
        return folderMessage(path);
    if (file.kind == FileRead::Kind::Special)
        return specialFileMessage(path);
    if (!file.error.isEmpty())
        return cannotOpenMessage(path, file.error);
    if (const std::optional<QString> encoding = wideTextEncoding(file.bytes))
        return wideTextMessage(path, *encoding);
    if (holdsBinaryData(file.bytes))
        return binaryFileMessage(path);
    // The limit holds for the file with CR LF line breaks, so a file that opens still opens once
    // lines are added with them.
    if (file.tooLarge || savedFileSize(file.bytes) > maxConfigFileSize)
        return tooLargeMessage(path);
    return {};
}

} // namespace

ConfigDocument::Opening ConfigDocument::open(const QString &path, const FileRead &file,
                                             QStringConverter::Encoding eightBit)
{
    Opening opening;
    opening.refusal = refusal(path, file);
    if (!opening.refusal.isEmpty())
        return opening;
    std::unique_ptr<ConfigDocument> document(new ConfigDocument);
    document->m_path = QFileInfo(path).absoluteFilePath();
    DecodedConfig decoded = decodeConfigFile(file.bytes, eightBit);
    document->m_encoding = decoded.encoding;
    document->take(file.bytes, decoded.text);
    opening.document = std::move(document);
    return opening;
}

void ConfigDocument::take(const QByteArray &bytes, const QString &text)
{
    m_bytes = bytes;
    m_text = text;
    m_opened = OpenedLines(bytes, m_text, m_encoding);
    m_read = readConfig(m_text, m_encoding == QStringConverter::Utf8);
    m_savedText = withLineFeeds(m_text);
}

QString ConfigDocument::edit(const QString &boxText, const GenerationInput &now) const
{
    // The box is what the player sees: lines typed or added since are read as the game reads them.
    return editConfig(boxText, readConfig(boxText, m_encoding == QStringConverter::Utf8), now);
}

ScriptBytes ConfigDocument::bytesFor(const QString &boxText) const
{
    return encodeScript(boxText, m_encoding, m_opened);
}

void ConfigDocument::saved(const QString &path, const QByteArray &bytes, const QString &boxText)
{
    m_path = QFileInfo(path).absoluteFilePath();
    // What was written is the document from now on: its bytes, line breaks and reading.
    // In the encoding it was opened in, a UTF-8 byte-order mark kept as text, as the open reads it.
    QStringDecoder decoder(m_encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    take(bytes, decoder.decode(bytes));
    // The tint compares the box with what it held when saved, line for line.
    m_savedText = boxText;
}

} // namespace brackwell
