#pragma once

#include "marks/consolemarks.h"

#include <QColor>
#include <QStringConverter>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTextBlock>

#include <array>

class QPlainTextEdit;

// Colours the output box as the game's console reads it and underlines in wavy red what the game
// takes differently; the mark under the mouse tells what the game will do. It formats the box's
// layout only: the document keeps its plain text.
//
// A line's reading may depend on earlier lines (a "/*" comment, a command the buffer reads over
// line breaks). Each block's state says whether every console starts afresh after it; a change
// is read again from the last such block before it, and re-highlights the blocks whose reading
// changed, before and after it.
class OutputHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    // `codeColours`: the colours of "^0" to "^9", as the window's name chart shows them.
    OutputHighlighter(QPlainTextEdit *box, const std::array<QColor, 10> &codeColours);

    // What the block shows: its colours and marks.
    static brackwell::BoxLine shown(const QTextBlock &block);
    // The tips of the block's marks over the character at `at` (counted from the block's start),
    // each once.
    static QStringList tipsAt(const QTextBlock &block, int at);

    // The box is saved in this encoding: in UTF-8 a letter beyond ASCII is longer to the console.
    void setSavedEncoding(QStringConverter::Encoding encoding);

protected:
    void highlightBlock(const QString &text) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Consecutive blocks read together: from one after which every console starts afresh.
    struct Segment {
        quint64 changes = 0;           // the count of changes it was read at
        int first = 0;                 // block number of the first line
        QList<brackwell::BoxLine> lines;
        QList<int> states;             // the block state after each line
    };
    const Segment &segmentFor(const QTextBlock &block, int number);
    void applyFormats(const brackwell::BoxLine &line, int size);
    void showChanges(int position);

    QPlainTextEdit *m_box;
    QObject *m_viewport;
    std::array<QColor, 10> m_codeColours;
    std::array<QTextCharFormat, 4> m_roleFormats; // by TextRole
    brackwell::SavedBytes m_bytes = brackwell::SavedBytes::OnePerCharacter;
    quint64 m_changes = 1;     // changes to the box's text so far
    bool m_formatting = false; // re-highlighting, which changes no text
    Segment m_segment;
    int m_readAhead = 1;
};
