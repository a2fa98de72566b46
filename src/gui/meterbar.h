#pragma once

#include "gui/shape.h"

// One bar of the quality/FPS meter. Its state is a signed height h: the bar covers the rows
// between the baseline and baseline + h, so a negative h rises above the baseline and 0 draws
// nothing. Left edge, width and baseline never change.
class MeterBar : public Shape
{
    Q_OBJECT
    Q_PROPERTY(int baseline READ baseline WRITE setBaseline)
    Q_PROPERTY(int signedHeight READ signedHeight WRITE setSignedHeight)

public:
    explicit MeterBar(QWidget *parent = nullptr);

    int baseline() const { return m_baseline; }
    void setBaseline(int baseline);
    int signedHeight() const { return m_height; }
    void setSignedHeight(int h);

    // What the bar shows in words, for those who cannot see it: how high it stands on its axis
    // from "Low" to "High", in tenths, rounded ("7 of 10").
    static constexpr int Levels = 10;
    int level() const;
    QString levelText() const;

private:
    void place();

    int m_baseline = 0;
    int m_height = 1;
};
