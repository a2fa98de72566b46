#include "gui/mainwindow.h"

#include "gui/accessibility.h"
#include "gui/clicklabel.h"
#include "gui/desktop.h"
#include "gui/meterbar.h"
#include "gui/outputhighlighter.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
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

// A list's text from code. The text is what counts; the matching item is selected too, so the
// open list shows the value the box holds.
void setListText(QComboBox *list, const QString &text)
{
    const int item = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0)
        list->setCurrentIndex(item);
    list->setEditText(text);
}

// The player-name colour chart: each label appends the code it shows.
struct ColourCode {
    const char *label;
    const char *code;
};
constexpr ColourCode colourCodes[] = {
    {"Label3", "^1"},  {"Label5", "^2"},  {"Label8", "^3"},  {"Label9", "^4"},  {"Label10", "^5"},
    {"Label11", "^6"}, {"Label12", "^7"}, {"Label13", "^8"}, {"Label14", "^9"}, {"Label15", "^0"},
};

} // namespace

qint32 TfrmBrackwell::lastCaptionColour()
{
    return lastCaptionColourValue;
}

void TfrmBrackwell::FormCreate()
{
    // The style caption starts in the system text colour, which a caption click would not
    // recognise as "on"; all three crosshair captions are made plain black.
    setTextColour(m_ui->lblCHStyle, Black);
    setTextColour(m_ui->lblCC1, Black);
    setTextColour(m_ui->lblCC2, Black);
    m_ui->Image1->show();
}

void TfrmBrackwell::wirePresentation()
{
    for (int i = 0; i < SettingCount; ++i) {
        ClickLabel *caption = m_rows[std::size_t(i)].caption;
        on(caption, &ClickLabel::clicked, [this, i] { captionClick(i); });
        on(caption, &ClickLabel::mouseEntered, [this, i] { captionMouseEnter(i); });
        on(caption, &ClickLabel::mouseLeft, &TfrmBrackwell::captionMouseLeave);
    }

    std::array<QColor, 10> codeColours;
    for (const ColourCode &entry : colourCodes) {
        auto *label = findChild<ClickLabel *>(QLatin1StringView(entry.label));
        Q_ASSERT_X(label, "wirePresentation", entry.label);
        const QString code = QString::fromLatin1(entry.code);
        on(label, &ClickLabel::clicked, [this, code] { colourCodeClick(code); });
        codeColours[std::size_t(entry.code[1] - '0')] = label->palette().color(QPalette::WindowText);
    }
    // The output box shows the codes in its values as the chart does.
    new OutputHighlighter(m_ui->memoOutput, codeColours);

    m_previews = {m_ui->Image1, m_ui->Image2, m_ui->Image3, m_ui->Image4, m_ui->Image5,
                  m_ui->Image6, m_ui->Image7, m_ui->Image8, m_ui->Image9, m_ui->Image10};
    for (QComboBox *list : {m_ui->CBCHStyle, m_ui->CBC1, m_ui->CBC2})
        on(list, &QComboBox::currentTextChanged, &TfrmBrackwell::CBCHStyleChange);

    // Asked here, not in the handler, which an open runs too once it has asked.
    on(m_ui->NewConfig1, &QAction::triggered, [this] {
        if (m_documents->changesMayGo())
            NewConfig1Click();
    });
    on(m_ui->Exit1, &QAction::triggered, &TfrmBrackwell::Exit1Click);
    on(m_ui->BrackwellHelp1, &QAction::triggered, &TfrmBrackwell::BrackwellHelp1Click);
    on(m_ui->About1, &QAction::triggered, &TfrmBrackwell::About1Click);

    makeMainWindowAccessible(*this);
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

void TfrmBrackwell::colourCodeClick(const QString &code)
{
    // Always at the end, wherever the caret is and whether or not the name row is switched on.
    m_ui->edtPlayerName->setText(m_ui->edtPlayerName->text() + code);
}

void TfrmBrackwell::CBCHStyleChange()
{
    QComboBox *style = m_ui->CBCHStyle;
    // An editable list keeps its old item while the user types; typing an item's exact text
    // should choose that item, as picking it would. Other text keeps the item (and picture) as is.
    const int typed = style->findText(style->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (typed >= 0 && typed != style->currentIndex())
        style->setCurrentIndex(typed);

    const int k = style->currentIndex();
    if (k < 0 || k >= int(m_previews.size()))
        return;
    for (int i = 0; i < int(m_previews.size()); ++i)
        m_previews[std::size_t(i)]->setVisible(i == k);
}

void TfrmBrackwell::NewConfig1Click()
{
    m_documents->close();
    m_ui->memoOutput->clear();
    m_ui->shpQuality->setSignedHeight(1);
    m_ui->shpFPS->setSignedHeight(1);

    // Every row but the crosshair three: default value, black caption and, with it, switched on.
    // The crosshair rows keep their switch state; their lists are reset with the preview below.
    const GenerationInput defaults = defaultInput();
    for (int i = 0; i < SettingCount; ++i) {
        const RowWidgets &r = m_rows[std::size_t(i)];
        if (r.combo == m_ui->CBCHStyle || r.combo == m_ui->CBC1 || r.combo == m_ui->CBC2)
            continue;
        setRow(i, defaults.settings[std::size_t(i)]);
    }

    m_unbindAll->setChecked(false);
    for (const KeyedWidgets &script : m_scripts)
        script.check->setChecked(false);

    m_ui->Image1->show();
    setListText(m_ui->CBCHStyle, QStringLiteral("1"));
    for (std::size_t i = 1; i < m_previews.size(); ++i)
        m_previews[i]->hide();

    for (int i = 0; i < ClassBindCount; ++i)
        m_classes[std::size_t(i)].key->setText(QString::fromLatin1(classBinds[i].defaultKey));
    for (const KeyedWidgets &bind : m_classes)
        bind.check->setChecked(false);

    setListText(m_ui->CBC1, QStringLiteral("White"));
    setListText(m_ui->CBC2, QStringLiteral("White"));

    for (int i = 0; i < ScriptCount; ++i)
        m_scripts[std::size_t(i)].key->setText(QString::fromLatin1(scriptBlocks[i].defaultKey));
    m_documents->startAfresh();
}

void TfrmBrackwell::setRow(int row, const SettingValue &value)
{
    const RowWidgets &r = m_rows[std::size_t(row)];
    const qint32 colour = value.enabled ? Black : Red;
    setTextColour(r.caption, colour);
    if (r.extraLabel)
        setTextColour(r.extraLabel, colour);
    if (r.edit)
        r.edit->setText(value.text);
    else if (r.check)
        r.check->setChecked(value.checked);
    else
        setListText(r.combo, value.text);
    r.control->setEnabled(value.enabled);
}

void TfrmBrackwell::Exit1Click()
{
    close();
}

void TfrmBrackwell::BrackwellHelp1Click()
{
    m_desktop.showMessage(this, tr("The help file for this program can be found in the Brackwell directory as helpfile.htm"));
}

void TfrmBrackwell::About1Click()
{
    m_desktop.showMessage(this, tr("Brackwell was written by the Brackwell team. Many thanks to everyone who tested it "
                                   "and told us what went wrong. Please send problem reports and suggestions to the "
                                   "Brackwell team. This is version %1.")
                                    .arg(QCoreApplication::applicationVersion()));
}
