#include "gui/meterbar.h"

#include <QAccessible>

#include <algorithm>
#include <cmath>

namespace {
// The axis line beside each bar, from "Low" to "High".
constexpr int axisLength = 225;
}

MeterBar::MeterBar(QWidget *parent)
    : Shape(parent)
{
}

void MeterBar::setBaseline(int baseline)
{
    m_baseline = baseline;
    place();
}

void MeterBar::setSignedHeight(int h)
{
    const int before = level();
    m_height = h;
    place();
    if (level() != before) {
        QAccessibleValueChangeEvent changed(this, level());
        QAccessible::updateAccessibility(&changed);
    }
}

int MeterBar::level() const
{
    // Only a bar rising above the baseline shows anything on the axis.
    const int risen = std::max(0, -m_height);
    return std::min(Levels, int(std::lround(double(risen) * Levels / axisLength)));
}

QString MeterBar::levelText() const
{
    return QStringLiteral("%1 of %2").arg(level()).arg(Levels);
}

void MeterBar::place()
{
    const int top = m_height >= 0 ? m_baseline : m_baseline + m_height;
    const int rows = m_height >= 0 ? m_height : -m_height;
    setGeometry(x(), top, width(), rows);
    setVisible(rows > 0);
}
