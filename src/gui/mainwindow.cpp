#include "gui/mainwindow.h"

#include "document/configdocument.h"
#include "document/configedit.h"
#include "document/textlines.h"
#include "gui/announce.h"
#include "gui/clicklabel.h"
#include "gui/desktop.h"
#include "gui/fonts.h"
#include "gui/gotoline.h"
#include "gui/meterbar.h"
#include "gui/outputhighlighter.h"
#include "gui/textwrap.h"
#include "gui/widgetrules.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <functional>
#include <limits>

using namespace brackwell;

namespace {

template <typename T>
T *child(const QObject *root, const char *name)
{
    T *widget = root->findChild<T *>(QLatin1StringView(name));
    // A name in the catalogue that the window lacks is a build defect, not a user error.
    Q_ASSERT_X(widget, "TfrmBrackwell", name);
    return widget;
}

} // namespace

TfrmBrackwell::TfrmBrackwell(Desktop &desktop, Machine &machine, QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::TfrmBrackwell>())
    , m_desktop(desktop)
    , m_machine(machine)
{
    m_ui->setupUi(this);
    m_documents = std::make_unique<DocumentController>(m_desktop, m_machine, static_cast<DocumentView &>(*this),
                                                       m_ui->memoOutput);
    addGoToLine(m_ui->memoOutput, m_desktop);
    applyPixelSizes(this);
    keepTypedText(this);
    pressButtonsOnEnter(this);
    // Any text is a value, however long: lift Qt's default 32767-character limit of edit boxes.
    const QList<QLineEdit *> edits = findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits)
        edit->setMaxLength(std::numeric_limits<int>::max());
    resolveControls();
    wireGeneration();
    wirePresentation();
    wireSaving();
    wireKeyBinding();
    wireOpening();
    watchState();

    // The designed client area is 793 x 517 below the menu bar; nothing stretches with the window.
    resize(793, 517 + m_ui->MainMenu1->sizeHint().height());
    move(232, 230);
    FormCreate();
    m_documents->startAfresh();
}

TfrmBrackwell::~TfrmBrackwell() = default;

void TfrmBrackwell::resolveControls()
{
    for (int i = 0; i < SettingCount; ++i) {
        const SettingRow &setting = settingRows[i];
        RowWidgets &r = m_rows[std::size_t(i)];
        r.caption = child<ClickLabel>(this, setting.captionLabel);
        r.extraLabel = setting.extraLabel ? child<QLabel>(this, setting.extraLabel) : nullptr;
        switch (setting.kind) {
        case ControlKind::Edit: r.control = r.edit = child<QLineEdit>(this, setting.control); break;
        case ControlKind::Check: r.control = r.check = child<QCheckBox>(this, setting.control); break;
        case ControlKind::Combo: r.control = r.combo = child<QComboBox>(this, setting.control); break;
        }
    }
    m_unbindAll = child<QCheckBox>(this, unbindAllCheckBox);
    for (int i = 0; i < ScriptCount; ++i)
        m_scripts[std::size_t(i)] = {child<QCheckBox>(this, scriptBlocks[i].checkBox),
                                     child<QLineEdit>(this, scriptBlocks[i].keyEdit)};
    for (int i = 0; i < ClassBindCount; ++i)
        m_classes[std::size_t(i)] = {child<QCheckBox>(this, classBinds[i].checkBox),
                                     child<QLineEdit>(this, classBinds[i].keyEdit)};
}

void TfrmBrackwell::wireGeneration()
{
    on(m_ui->btnCreate, &QPushButton::clicked, &TfrmBrackwell::btnCreateClick);
}

GenerationInput TfrmBrackwell::readGenerationInput() const
{
    GenerationInput input;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const RowWidgets &r = m_rows[i];
        SettingValue &value = input.settings[i];
        value.enabled = r.control->isEnabled();
        if (r.check)
            value.checked = r.check->isChecked();
        else
            value.text = r.edit ? r.edit->text() : r.combo->currentText();
    }
    input.unbindAll = m_unbindAll->isChecked();
    for (std::size_t i = 0; i < m_scripts.size(); ++i)
        input.scripts[i] = {m_scripts[i].check->isChecked(), m_scripts[i].key->text()};
    for (std::size_t i = 0; i < m_classes.size(); ++i)
        input.classes[i] = {m_classes[i].check->isChecked(), m_classes[i].key->text()};
    return input;
}

QString TfrmBrackwell::outputText() const
{
    return brackwell::boxText(m_ui->memoOutput->document()->toRawText());
}

void TfrmBrackwell::btnCreateClick()
{
    m_documents->createConfig();
}

void TfrmBrackwell::showGeneration(const GenerationResult &result)
{
    m_ui->shpQuality->setSignedHeight(result.meter.quality);
    m_ui->shpFPS->setSignedHeight(result.meter.fps);
    if (!result.ok()) {
        showError(result.error);
        return;
    }
    // The box and the bars change where the focus is not: a screen reader hears what they show.
    const QString text = outputText();
    const qsizetype lines = text.count(u'\n') + (text.isEmpty() || text.endsWith(u'\n') ? 0 : 1);
    announce(QStringLiteral("Config created, %1 lines. Quality %2, relative FPS %3.")
                 .arg(lines)
                 .arg(m_ui->shpQuality->levelText(), m_ui->shpFPS->levelText()));
}

void TfrmBrackwell::changeBoxText(const QString &text)
{
    // The box keeps line breaks as paragraphs: compare and change in its terms.
    const QString wanted = withLineFeeds(text);
    const QString shown = outputText();
    const auto [head, tail] = commonEnds(shown.size(), wanted.size(),
                                         [&](qsizetype i, qsizetype j) { return shown[i] == wanted[j]; });
    if (head == shown.size() && head == wanted.size())
        return;
    QTextCursor cursor(m_ui->memoOutput->document());
    cursor.beginEditBlock();
    cursor.setPosition(int(head));
    cursor.setPosition(int(shown.size() - tail), QTextCursor::KeepAnchor);
    cursor.insertText(wanted.sliced(head, wanted.size() - tail - head));
    cursor.endEditBlock();
}

namespace {

// Calls back when a widget is enabled or disabled: how a setting row is switched.
class EnabledWatch : public QObject
{
public:
    EnabledWatch(QObject *parent, std::function<void()> changed) : QObject(parent), m_changed(std::move(changed)) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange)
            m_changed();
        return false;
    }

private:
    std::function<void()> m_changed;
};

} // namespace

void TfrmBrackwell::watchState()
{
    const auto changed = [this] { m_documents->stateChanged(); };
    auto *enabledWatch = new EnabledWatch(this, changed);
    for (const RowWidgets &r : m_rows) {
        r.control->installEventFilter(enabledWatch);
        if (r.edit)
            connect(r.edit, &QLineEdit::textChanged, this, changed);
        else if (r.check)
            connect(r.check, &QCheckBox::toggled, this, changed);
        else
            connect(r.combo, &QComboBox::currentTextChanged, this, changed);
    }
    connect(m_unbindAll, &QCheckBox::toggled, this, changed);
    const auto watchKeyed = [&](const KeyedWidgets &k) {
        connect(k.check, &QCheckBox::toggled, this, changed);
        connect(k.key, &QLineEdit::textChanged, this, changed);
    };
    for (const KeyedWidgets &k : m_scripts)
        watchKeyed(k);
    for (const KeyedWidgets &k : m_classes)
        watchKeyed(k);
}

void TfrmBrackwell::closeEvent(QCloseEvent *event)
{
    // Whatever goes wrong while asking keeps the window, and the changes, open.
    bool mayClose = false;
    guarded([&] { mayClose = m_documents->changesMayGo(); });
    event->setAccepted(mayClose);
}

void TfrmBrackwell::showError(const QString &text, const QString &details)
{
    m_desktop.showError(this, withFullStop(text), details);
}
