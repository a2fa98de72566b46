#include "gui/groupboxstyle.h"

#include <QPainter>
#include <QStyleOptionGroupBox>

namespace {

// Room left and right of the caption inside the gap in the frame line.
constexpr int captionPadding = 2;
constexpr int captionLeft = 8 - captionPadding;

} // namespace

int GroupBoxStyle::frameTop(const QFontMetrics &metrics)
{
    return metrics.height() / 2;
}

QRect GroupBoxStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option,
                                    SubControl subControl, const QWidget *widget) const
{
    const auto *box = qstyleoption_cast<const QStyleOptionGroupBox *>(option);
    if (control != CC_GroupBox || !box || (box->subControls & SC_GroupBoxCheckBox))
        return QProxyStyle::subControlRect(control, option, subControl, widget);

    const QFontMetrics &metrics = box->fontMetrics;
    const QRect &all = box->rect;
    switch (subControl) {
    case SC_GroupBoxFrame:
        return all.adjusted(0, frameTop(metrics), 0, 0);
    case SC_GroupBoxLabel:
        if (box->text.isEmpty())
            return {};
        return {all.left() + captionLeft, all.top(),
                metrics.horizontalAdvance(box->text) + 2 * captionPadding, metrics.height()};
    case SC_GroupBoxContents:
        return all.adjusted(2, metrics.height(), -2, -2);
    default:
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
}

void GroupBoxStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                       QPainter *painter, const QWidget *widget) const
{
    const auto *box = qstyleoption_cast<const QStyleOptionGroupBox *>(option);
    if (control != CC_GroupBox || !box || (box->subControls & SC_GroupBoxCheckBox)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }

    const QRect frame = subControlRect(CC_GroupBox, box, SC_GroupBoxFrame, widget);
    const QRect caption = subControlRect(CC_GroupBox, box, SC_GroupBoxLabel, widget);
    painter->save();
    if (!box->text.isEmpty()) {
        // The caption interrupts the top line rather than being drawn over it.
        QRegion outside(box->rect);
        outside -= caption;
        painter->setClipRegion(outside, Qt::IntersectClip);
    }
    // An etched frame in the palette's own shades: a dark line with a light one inside it.
    const QRect outer = frame.adjusted(0, 0, -2, -2);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(box->palette.color(QPalette::Mid));
    painter->drawRect(outer);
    painter->setPen(box->palette.color(QPalette::Light));
    painter->drawRect(outer.translated(1, 1));
    painter->restore();

    if (!box->text.isEmpty()) {
        const QRect text = caption.adjusted(captionPadding, 0, -captionPadding, 0);
        drawItemText(painter, text, Qt::AlignLeft | Qt::AlignTop | Qt::TextHideMnemonic, box->palette,
                     box->state & State_Enabled, box->text, QPalette::WindowText);
    }
}
