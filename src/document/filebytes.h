#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringConverter>
#include <QStringList>

namespace brackwell {

// The size of `fileBytes` with every line break CR LF and the last line ended: the most a file
// that opens may hold.
qint64 savedFileSize(QByteArrayView fileBytes);

// The lines of an opened file, each with the bytes it was read from and the bytes of the line break
// that ended it. Reading is not always undone by writing: where the system's character set is UTF-8
// or takes two bytes for some characters, bytes it cannot read become U+FFFD, which would be written
// back as other bytes. The lines are those the output box shows, so U+2028 and U+2029, which the box
// breaks a line at, end a line here too and are written back as the character they were.
class OpenedLines
{
public:
    OpenedLines() = default;
    // `text` is `bytes` read in `encoding`, line breaks included.
    OpenedLines(QByteArrayView bytes, const QString &text, QStringConverter::Encoding encoding);

    bool isEmpty() const { return m_texts.isEmpty(); }
    qsizetype size() const { return m_texts.size(); }
    const QString &text(qsizetype line) const { return m_texts[line]; }
    const QByteArray &bytes(qsizetype line) const { return m_bytes[line]; }
    // What ended the line in the file; empty for the last line.
    const QByteArray &lineBreak(qsizetype line) const { return m_breaks[line]; }
    // The break a line put in gets: the file's most frequent real one (insertedLineBreak).
    const QByteArray &fileBreak() const { return m_fileBreak; }
    // The lines that read `text`, in the file's order.
    QList<qsizetype> linesReading(const QString &text) const { return m_where.value(text); }

private:
    QStringList m_texts;
    QList<QByteArray> m_bytes;
    QList<QByteArray> m_breaks;
    QByteArray m_fileBreak = QByteArrayLiteral("\r\n");
    QHash<QString, QList<qsizetype>> m_where;
};

// The output box's text as the file's bytes: every line break CR LF, every character in the 8-bit
// set of `encoding`. A character the set lacks is never replaced: `error` names it and `bytes` is empty.
// A line that reads as a line of the file it was opened from, `opened`, is written as that line's
// bytes with the line break it had there, and other line breaks are the file's own; in other lines
// U+FFFD, which stands for bytes that could not be read, is refused too.
struct ScriptBytes {
    QByteArray bytes;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
ScriptBytes encodeScript(const QString &text, QStringConverter::Encoding encoding, const OpenedLines &opened = {});

} // namespace brackwell
