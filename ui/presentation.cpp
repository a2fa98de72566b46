#include "ui/mainwindow.h"

#include "ui/clicklabel.h"
#include "ui_mainwindow.h"

#include <QLineEdit>

using namespace brackwell;

namespace {

// Caption colours as the toggle compares them: red in the low byte, so black is 0 and red 255.
constexpr qint32 Black = 0x000000;
constexpr qint32 Red = 0x0000FF;

// Program-wide, like the toggle it serves: the colour the most recent caption click read.
qint32 lastCaptionColourValue = 0;

qint32 colourValue(const QColor &colour)
{
    return qint32(colour.red()) | qint32(colour.green()) << 8 | qint32(colour.blue()) << 16;
}

void setTextColour(QLabel *label, qint32 value)
{
    QPalette palette = label->palette();
    // Every colour group, so the caption looks the same whether the window is active or not.
    palette.setColor(QPalette::WindowText, QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF));
    label->setPalette(palette);
}

} // namespace

qint32 TfrmBrackwell::lastCaptionColour()
{
    return lastCaptionColourValue;
}

void TfrmBrackwell::wirePresentation()
{
    for (int i = 0; i < SettingCount; ++i) {
        ClickLabel *caption = m_rows[std::size_t(i)].caption;
        connect(caption, &ClickLabel::clicked, this, [this, i] { captionClick(i); });
        connect(caption, &ClickLabel::mouseEntered, this, [this, i] { captionMouseEnter(i); });
        connect(caption, &ClickLabel::mouseLeft, this, &TfrmBrackwell::captionMouseLeave);
    }
}

void TfrmBrackwell::captionClick(int row)
{
    const RowWidgets &r = m_rows[std::size_t(row)];
    lastCaptionColourValue = colourValue(r.caption->palette().color(QPalette::WindowText));
    // Both tests read the stored colour, so one click switches exactly once; any other colour
    // (a caption not yet made black at start-up) leaves the row alone.
    if (lastCaptionColourValue == Black) {
        setTextColour(r.caption, Red);
        if (r.extraLabel)
            setTextColour(r.extraLabel, Red);
        r.control->setEnabled(false);
    }
    if (lastCaptionColourValue == Red) {
        setTextColour(r.caption, Black);
        if (r.extraLabel)
            setTextColour(r.extraLabel, Black);
        r.control->setEnabled(true);
    }
}

void TfrmBrackwell::captionMouseEnter(int row)
{
    m_ui->edtDescription->setText(QString::fromLatin1(settingRows[row].description));
    // setText leaves the caret at the end, which would scroll a long text's beginning out of view.
    m_ui->edtDescription->setCursorPosition(0);
}

void TfrmBrackwell::captionMouseLeave()
{
    m_ui->edtDescription->clear();
}
