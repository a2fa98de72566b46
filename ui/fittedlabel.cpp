#include "ui/fittedlabel.h"

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
    painter.setFont(font());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const QRect box = contentsRect();
    painter.drawText(QPoint(box.left(), box.top() + baseline(font(), text(), box.height())), text());
}
