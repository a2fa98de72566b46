#include "gui/keypicker.h"

#include "console/keynames.h"
#include "gui/accessibility.h"
#include "document/boundkeys.h"
#include "gui/clicklabel.h"
#include "gui/fonts.h"
#include "gui/mainwindow.h"
#include "gui/widgetrules.h"
#include "ui_keypicker.h"

#include <QPushButton>

using namespace brackwell;

TForm3::TForm3(TfrmBrackwell &mainWindow, QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TForm3>())
    , m_mainWindow(mainWindow)
{
    m_ui->setupUi(this);
    createKeyButtons();
    wireMouseButtons();
    applyPixelSizes(this);
    pressButtonsOnEnter(this);
    // Only the main window's closing ends the program, whether the picker is open or not.
    setAttribute(Qt::WA_QuitOnClose, false);
    move(136, 245);

    for (const KeySlot &slot : keySlots()) {
        QLineEdit *edit = m_mainWindow.findChild<QLineEdit *>(slot.edit);
        Q_ASSERT_X(edit, "TForm3", qPrintable(slot.edit));
        m_slotEdits[std::size_t(slot.number - 1)] = edit;
    }
    connect(m_ui->btnKeyOK, &QPushButton::clicked, this, &TForm3::btnKeyOKClick);
    m_mainWindow.setKeyPicker(this);
    makeKeyPickerAccessible(*this);
}

TForm3::~TForm3()
{
    m_mainWindow.setKeyPicker(nullptr);
}

namespace {
constexpr QSize outerSize(983, 435);
}

void TForm3::fitOuterSize()
{
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize client = outerSize - frame;
    if (size() != client)
        resize(client);
}

void TForm3::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    fitOuterSize();
}

void TForm3::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // A window manager puts its frame around the window after it is shown, and moves it then.
    if (isVisible())
        fitOuterSize();
}

void TForm3::createKeyButtons()
{
    for (int i = 0; i < KeyboardKeyCount; ++i) {
        const PickerKey &key = pickerKeys[i];
        auto *button = new QPushButton(QString::fromLatin1(key.caption), this);
        button->setObjectName(QLatin1StringView(key.control));
        button->setGeometry(key.x, key.y, key.width, key.height);
        if (!key.name) {
            button->setEnabled(false);
            continue;
        }
        const QString name = QString::fromLatin1(key.name);
        connect(button, &QPushButton::clicked, this, [this, name] { m_ui->edtKey->setText(name); });
    }
}

void TForm3::wireMouseButtons()
{
    for (int i = KeyboardKeyCount; i < PickerKeyCount; ++i) {
        const PickerKey &key = pickerKeys[i];
        auto *label = findChild<ClickLabel *>(QLatin1StringView(key.control));
        Q_ASSERT_X(label, "TForm3", key.control);
        const QString name = QString::fromLatin1(key.name);
        connect(label, &ClickLabel::clicked, this, [this, name] { m_ui->edtKey->setText(name); });
    }
}

void TForm3::showBoundKeys()
{
    const QHash<QString, BoundKey> bound = m_mainWindow.fileBoundKeys();
    for (const PickerKey &key : pickerKeys) {
        auto *control = findChild<QWidget *>(QLatin1StringView(key.control));
        if (!control || !key.name)
            continue;
        const auto found = bound.constFind(keyIdentity(QString::fromLatin1(key.name)));
        const bool tinted = found != bound.cend();
        control->setToolTip(tinted ? boundKeyTip(*found) : QString());
        // A push button keeps its frame under a style sheet only when it is given one.
        const QString type = QLatin1StringView(control->metaObject()->className());
        control->setStyleSheet(!tinted ? QString()
                               : isMouseButton(int(&key - pickerKeys))
                                   ? QStringLiteral("background-color: #f5d37a;")
                                   : type + QStringLiteral(" { background-color: #f5d37a; border: 1px solid #8c6d1f; }"));
    }
}

void TForm3::showPicker()
{
    // The file may have changed since the picker was last shown.
    showBoundKeys();
    // Already open, perhaps behind the main window: bring it to the front.
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    show();
}

void TForm3::btnKeyOKClick()
{
    // Without a Select Key press there is no box to fill: stay open so a key can still be chosen.
    const KeySlot *slot = findKeySlot(m_keySlot);
    if (!slot)
        return;
    // A key the file binds: the player says whether to replace that bind or pick another key.
    if (!m_mainWindow.mayBindKey(this, slot->number, m_ui->edtKey->text()))
        return;
    m_slotEdits[std::size_t(slot->number - 1)]->setText(m_ui->edtKey->text());
    hide();
}
