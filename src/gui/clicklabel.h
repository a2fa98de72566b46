#pragma once

#include <QLabel>

// A label that reports clicks and the mouse entering and leaving it. Setting captions, the
// colour-code chart and the mouse buttons of the key picker are all labels that act on a click.
// One given keyboard focus (the picker's mouse buttons) is clicked with Space or Enter, as a
// button is, and shows a focus frame while it has the focus.
class ClickLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickLabel(QWidget *parent = nullptr);

signals:
    void clicked();
    void mouseEntered();
    void mouseLeft();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_pressed = false;
};
