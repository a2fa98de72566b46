#pragma once

#include <QProxyStyle>

// Group boxes with their caption set into the frame's top edge, as the windows were laid out for:
// the top line runs through the middle of the caption's row, a short gap in it leaves room for the
// caption. Every other control keeps the look of the platform's own style.
class GroupBoxStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    // The row of a group box's top frame line: half the caption's line height, caption or not.
    static int frameTop(const QFontMetrics &metrics);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl subControl,
                         const QWidget *widget = nullptr) const override;
};
