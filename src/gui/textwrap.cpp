#include "gui/textwrap.h"

#include <QPlainTextEdit>

namespace brackwell {

namespace {

bool holdsLongWord(const QString &text)
{
    qsizetype run = 0;
    for (const QChar c : text) {
        const bool breaks = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
        run = breaks ? 0 : run + 1;
        if (run > longestWord)
            return true;
    }
    return false;
}

} // namespace

void wrapFor(QPlainTextEdit *box, const QString &text)
{
    box->setWordWrapMode(holdsLongWord(text) ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void setWrappedText(QPlainTextEdit *box, const QString &text)
{
    wrapFor(box, text);
    box->setPlainText(text);
}

} // namespace brackwell
