#include "gui/gotoline.h"

#include "gui/desktop.h"

#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextBlock>

#include <algorithm>

namespace brackwell {

void addGoToLine(QPlainTextEdit *box, Desktop &desktop)
{
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), box);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, box, [box, &desktop] {
        // Each of the box's blocks is one line of the file: its line breaks are kept as paragraphs.
        QTextDocument *text = box->document();
        const std::optional<int> line =
            desktop.askLineNumber(box->window(), box->textCursor().blockNumber() + 1, text->blockCount());
        if (!line)
            return;
        box->setTextCursor(QTextCursor(text->findBlockByNumber(std::clamp(*line, 1, text->blockCount()) - 1)));
        box->centerCursor();
        box->setFocus(Qt::ShortcutFocusReason);
    });
}

} // namespace brackwell
