#include "gui/fittedlabel.h"

#include <QPainter>

#include <algorithm>

int FittedLabel::baseline(const QFont &font, const QString &text, int height)
{
    const QFontMetrics metrics(font);
    const QRect ink = metrics.tightBoundingRect(text);
    int bottom = ink.bottom();
    if (font.underline())
        bottom = std::max(bottom, metrics.underlinePos() + metrics.lineWidth() - 1);
    // Centred on the rows the text covers; never above the box's top row.
    const int covered = bottom - ink.top() + 1;
    return std::max(0, (height - covered) / 2) - ink.top();
}

void FittedLabel::paintEvent(QPaintEvent *event)
{
    if (fontMetrics().height() <= height()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect box = contentsRect();
    const int top = box.top() + baseline(font(), text(), box.height());
    const QFontMetrics metrics(font());
    // Where text and underline together are taller than the box (some font engines place the
    // underline a row lower), the underline goes on the box's last row rather than outside it.
    QFont drawn = font();
    const bool ownUnderline = drawn.underline() && top + metrics.underlinePos() + metrics.lineWidth() - 1 > box.bottom();
    drawn.setUnderline(!ownUnderline && drawn.underline());
    const QColor ink = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole());
    painter.setFont(drawn);
    painter.setPen(ink);
    painter.drawText(QPoint(box.left(), top), text());
    if (ownUnderline)
        painter.fillRect(QRect(box.left(), box.bottom() - metrics.lineWidth() + 1, metrics.horizontalAdvance(text()),
                               metrics.lineWidth()),
                         ink);
}
