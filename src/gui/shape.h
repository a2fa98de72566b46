#pragma once

#include <QColor>
#include <QWidget>

// A filled rectangle or rounded rectangle with a one-pixel outline: the meter axes, the meter bars
// and the drawing of the mouse on the key picker.
class Shape : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor brushColor READ brushColor WRITE setBrushColor)
    Q_PROPERTY(QColor penColor READ penColor WRITE setPenColor)
    Q_PROPERTY(bool rounded READ rounded WRITE setRounded)

public:
    explicit Shape(QWidget *parent = nullptr);

    QColor brushColor() const { return m_brush; }
    void setBrushColor(const QColor &color);
    QColor penColor() const { return m_pen; }
    void setPenColor(const QColor &color);
    bool rounded() const { return m_rounded; }
    void setRounded(bool rounded);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_brush = Qt::white;
    QColor m_pen = Qt::black;
    bool m_rounded = false;
};
