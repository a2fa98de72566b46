#include "document/textlines.h"

namespace brackwell {

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
    return boxText + u'\n';
}

QString withLineFeeds(const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1StringView("\r\n"), QLatin1StringView("\n"));
    for (QChar &c : lines) {
        if (c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    }
    return lines;
}

} // namespace brackwell
