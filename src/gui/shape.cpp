#include "gui/shape.h"

#include <QPainter>

Shape::Shape(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, !m_rounded);
}

void Shape::setBrushColor(const QColor &color)
{
    m_brush = color;
    update();
}

void Shape::setPenColor(const QColor &color)
{
    m_pen = color;
    update();
}

void Shape::setRounded(bool rounded)
{
    m_rounded = rounded;
    setAttribute(Qt::WA_OpaquePaintEvent, !m_rounded);
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect r = rect();
    if (m_rounded) {
        // Corners a quarter of the shorter side, like the classic rounded-rectangle shape.
        const int radius = std::min(r.width(), r.height()) / 4;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(m_pen);
        painter.setBrush(m_brush);
        painter.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        return;
    }
    painter.fillRect(r, m_brush);
    painter.setPen(m_pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
}
