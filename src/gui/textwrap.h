#pragma once

#include <QString>

class QPlainTextEdit;

namespace brackwell {

// Puts `text` into a multi-line box that wraps long lines. The box breaks lines between words, as
// before; but Qt's search for a word boundary grows with the square of a word's length (a line of
// 250,000 characters without a blank takes seconds to lay out), so a text holding a run of more
// than `longestWord` characters without a blank is broken anywhere instead, which takes linear time.
inline constexpr qsizetype longestWord = 1024;
void setWrappedText(QPlainTextEdit *box, const QString &text);
// Only the way of wrapping that `text` needs, for a caller that puts it in itself.
void wrapFor(QPlainTextEdit *box, const QString &text);

} // namespace brackwell
