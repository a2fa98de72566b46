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
    document->m_text = std::move(decoded.text);
    document->m_encoding = decoded.encoding;
    document->m_opened = OpenedLines(file.bytes, document->m_text, document->m_encoding);
    document->m_read = readConfig(document->m_text, document->m_encoding == QStringConverter::Utf8);
    document->m_savedText = withLineFeeds(document->m_text);
    opening.document = std::move(document);
    return opening;
}

QString ConfigDocument::edit(const GenerationInput &now) const
{
    return editConfig(m_text, m_read, now);
}

ScriptBytes ConfigDocument::bytesFor(const QString &boxText) const
{
    return encodeScript(boxText, m_encoding, m_opened);
}

void ConfigDocument::saved(const QString &path, const QString &boxText)
{
    m_path = path;
    m_savedText = boxText;
}

} // namespace brackwell
