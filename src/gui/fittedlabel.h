#pragma once

#include <QLabel>

// A one-line label that draws its whole text and underline inside its box even where the font
// that stands in for the designed one has a taller line than the box: the baseline is placed by
// the glyphs' real extent rather than by the font's line height.
class FittedLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    // Where the baseline goes in a box `height` rows tall, for this font and text.
    static int baseline(const QFont &font, const QString &text, int height);

protected:
    void paintEvent(QPaintEvent *event) override;
};
