#pragma once

#include "document/configfile.h"
#include "document/configreader.h"
#include "document/filebytes.h"
#include "script/generator.h"

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <memory>

// An opened config file as the window edits it: "Create Config" puts the window's state into the
// player's own text instead of writing a script of its own, every line the window did not take
// stays as it is, and a save writes every line the box still holds as it was read, bytes and line
// break included.

namespace brackwell {

class ConfigDocument
{
public:
    // The document for the file at `path` as `file` read it, or why it cannot be opened (a folder,
    // a device, wide text, too large, unreadable). `eightBit` is the character set of a file that
    // is not UTF-8.
    struct Opening {
        std::unique_ptr<ConfigDocument> document;
        QString refusal;
    };
    static Opening open(const QString &path, const FileRead &file, QStringConverter::Encoding eightBit);

    const QString &path() const { return m_path; }
    // The text as read, line breaks included.
    const QString &text() const { return m_text; }
    QStringConverter::Encoding encoding() const { return m_encoding; }
    // What the window takes from the text, and where it stands.
    const ConfigRead &read() const { return m_read; }
    OpenReport report() const { return openReport(m_read); }

    // The output box's text `boxText` with the window's state `now` put into it.
    QString edit(const QString &boxText, const GenerationInput &now) const;
    // The bytes a save writes for the output box's text.
    ScriptBytes bytesFor(const QString &boxText) const;

    // The box's text as the file was at the open or the last save ('\n' line breaks).
    const QString &savedText() const { return m_savedText; }
    // The file's bytes as opened or last saved: what is on disk unless another program wrote since.
    const QByteArray &fileBytes() const { return m_bytes; }
    // `bytes`, the box's `boxText`, were written to `path`: they are the document from now on.
    void saved(const QString &path, const QByteArray &bytes, const QString &boxText);

private:
    ConfigDocument() = default;
    void take(const QByteArray &bytes, const QString &text);

    QString m_path;
    QByteArray m_bytes;
    QString m_text;
    QStringConverter::Encoding m_encoding = QStringConverter::Latin1;
    ConfigRead m_read;
    OpenedLines m_opened;
    QString m_savedText;
};

} // namespace brackwell
