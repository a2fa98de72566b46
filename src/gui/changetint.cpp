#include "gui/changetint.h"

#include "document/linediff.h"
#include "document/textlines.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

using namespace brackwell;

ChangeTint::ChangeTint(QPlainTextEdit *box)
    : QObject(box)
    , m_box(box)
{
    connect(box->document(), &QTextDocument::contentsChanged, this, &ChangeTint::update);
}

void ChangeTint::follow(const QString &text)
{
    m_following = true;
    m_lines = text.split(u'\n');
    update();
}

void ChangeTint::stop()
{
    m_following = false;
    m_lines.clear();
    update();
}

void ChangeTint::update()
{
    // Out of edit mode a change of the box costs nothing here.
    if (!m_following && !m_differs && m_box->extraSelections().isEmpty())
        return;
    QList<QTextEdit::ExtraSelection> tints;
    bool differs = false;
    if (m_following) {
        QTextDocument *document = m_box->document();
        const QString raw = document->toRawText();
        const QStringList lines = boxText(raw).split(u'\n');
        const QList<bool> changed = changedLines(m_lines, lines);
        // Where nothing was added or altered, a text as long is the same text.
        differs = lines.size() != m_lines.size() || changed.contains(true);
        QTextCharFormat tint;
        tint.setBackground(QColor(255, 243, 191));
        tint.setProperty(QTextFormat::FullWidthSelection, true);
        // The whole block with its line break, so that each line it wraps into is tinted across.
        const auto tintBlock = [&](const QTextBlock &block) {
            QTextCursor cursor(block);
            if (!cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor))
                cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            tints.append({cursor, tint});
        };
        // A block holds one line, or more where a line separator stands inside it. Straight to the
        // changed lines where it is one: a keystroke in a long file has one to tint.
        if (!raw.contains(QChar::LineSeparator)) {
            for (qsizetype line = changed.indexOf(true); line >= 0; line = changed.indexOf(true, line + 1))
                tintBlock(document->findBlockByNumber(int(line)));
        } else {
            qsizetype line = 0;
            for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
                const qsizetype count = 1 + block.text().count(QChar::LineSeparator);
                if (changed.mid(line, count).contains(true))
                    tintBlock(block);
                line += count;
            }
        }
    }
    m_box->setExtraSelections(tints);
    if (differs != m_differs) {
        m_differs = differs;
        emit differsChanged(differs);
    }
}

void ChangeTint::showFirst()
{
    const QList<QTextEdit::ExtraSelection> tints = m_box->extraSelections();
    if (tints.isEmpty())
        return;
    QTextCursor first = tints.front().cursor;
    first.setPosition(first.selectionStart());
    m_box->setTextCursor(first);
    m_box->centerCursor();
}
