#pragma once

#include "marks/consolemarks.h"

#include <QColor>
#include <QElapsedTimer>
#include <QStringConverter>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTextBlock>

#include <array>
#include <memory>
#include <optional>

class QPlainTextEdit;
class QTimer;

// Colours the output box as the game's console reads it and underlines in wavy red what the game
// takes differently; the mark under the mouse tells what the game will do. It formats the box's
// layout only: the document keeps its plain text.
//
// A line's reading may depend on earlier and later lines (a "/*" comment, a command the buffer
// reads over line breaks). Each block's state says whether every console starts afresh after it;
// a change is read again from the last such block before it, and the blocks of that stretch whose
// reading changed are re-highlighted, before and after the change. Where the stretch is too long
// to read within a keystroke (a comment left open in a long file), the blocks keep what they
// showed and are brought up to date in slices once the keystroke is handled, those in view first.
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
    // Some blocks still show what they read before the last change, and are being brought up to date.
    bool isCatchingUp() const { return m_check.active; }

protected:
    void highlightBlock(const QString &text) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Consecutive blocks read together: from one after which every console starts afresh.
    struct Segment {
        quint64 changes = 0;                  // the count of changes it was read at
        int first = 0;                        // block number of the first line
        int count = 0;                        // lines read
        std::shared_ptr<const brackwell::BoxReader> reader;
        QList<std::optional<brackwell::BoxLine>> lines; // each worked out when first asked for
        QList<int> states;                    // the block state after each line
    };
    // The segment of `block`, or none where reading it would take more than `limit` characters
    // (0: no limit).
    Segment *segmentFor(const QTextBlock &block, int number, qsizetype limit);
    const brackwell::BoxLine &lineOf(Segment &segment, int number);
    void applyFormats(const brackwell::BoxLine &line, int size);
    void showChanges(int position, int added);
    // Brings blocks up to date from the check's start until a settled block after its end shows
    // and reads as before; reading at most `limit` characters at once. Whether it got there.
    bool checkBlocks(qsizetype limit, bool timed);
    bool checkBlock(const QTextBlock &block, qsizetype limit, bool *unread);
    void checkLater();

    QPlainTextEdit *m_box;
    QObject *m_viewport;
    std::array<QColor, 10> m_codeColours;
    std::array<QTextCharFormat, 4> m_roleFormats; // by TextRole
    brackwell::SavedBytes m_bytes = brackwell::SavedBytes::OnePerCharacter;
    quint64 m_changes = 1;     // changes to the box's text so far
    bool m_formatting = false; // re-highlighting, which changes no text
    Segment m_segment;
    int m_readAhead = 1;
    // Blocks whose showing may be out of date: from the start of a changed segment to a changed block.
    struct Check {
        bool active = false;
        int from = 0, to = 0;
        int next = 0;          // the block to look at next
        quint64 changes = 0;   // the count of changes `next` was set at
        bool visible = false;  // the blocks in view were looked at first
    } m_check;
    QTimer *m_checkTimer;
    qsizetype m_readLimit = 0; // the most a highlight reads now; 0: no limit
    quint64 m_deferredAt = 0;  // the count of changes at which a reading was left for later
    int m_checking = -1;       // the block a slice of the check re-highlights; -1 outside one
    QElapsedTimer m_slice;     // since the slice began
    qint64 m_sliceTime = 0;    // how long it may take; 0: no limit
    int m_blockCount = 1;      // the box's blocks after the last change
};
