#include "gui/meterbar.h"

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
    m_height = h;
    place();
}

void MeterBar::place()
{
    const int top = m_height >= 0 ? m_baseline : m_baseline + m_height;
    const int rows = m_height >= 0 ? m_height : -m_height;
    setGeometry(x(), top, width(), rows);
    setVisible(rows > 0);
}
