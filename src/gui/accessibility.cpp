#include "gui/accessibility.h"

#include "console/keynames.h"
#include "gui/announce.h"
#include "gui/clicklabel.h"
#include "gui/keyboardpaths.h"
#include "gui/keypicker.h"
#include "gui/mainwindow.h"
#include "gui/namedchild.h"
#include "gui/meterbar.h"
#include "gui/outputhighlighter.h"
#include "script/catalogue.h"
#include "script/slottable.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolTip>

#include <algorithm>

using namespace brackwell;

namespace {

// The "Select Key" button that fills this key box.
QWidget *selectKeyButton(const NamedChildren &controls, const char *keyEdit)
{
    const KeySlot *slot = keySlotOfEdit(QString::fromLatin1(keyEdit));
    Q_ASSERT_X(slot, "accessibility", keyEdit);
    return controls.get(slot->button);
}

// The game's classes by the letter their "class" command takes, as the banners name them.
QString className(const char *quotedCommand)
{
    static const QHash<QChar, QString> classes = {
        {u's', QStringLiteral("Soldier")},  {u'm', QStringLiteral("Medic")},
        {u'e', QStringLiteral("Engineer")}, {u'f', QStringLiteral("Field Ops")},
        {u'c', QStringLiteral("Covert Ops")},
    };
    const QString command = QString::fromLatin1(quotedCommand);
    const qsizetype at = command.indexOf(QLatin1StringView("class "));
    return at < 0 ? QString() : classes.value(command.at(at + 6));
}

// The key box and Select Key button of a thing bound to a key, named after it.
void nameKeyedRow(const NamedChildren &controls, const char *keyEdit, const QString &thing)
{
    controls.get(keyEdit)->setAccessibleName(QStringLiteral("%1 key").arg(thing));
    selectKeyButton(controls, keyEdit)->setAccessibleName(QStringLiteral("Select key for the %1").arg(thing));
}

// Labels that stand in front of a control name it, as a setting's caption names its row.
struct LabelFor {
    const char *label;
    const char *control;
};
constexpr LabelFor labelsFor[] = {
    {"Label7", "edtDescription"},       {"lblKeyToBind", "edtKeyToBind"}, {"lblEnterBind", "edtBindInput"},
    {"lblVsayInput", "CBVSayInput"},    {"Label2", "CBTypeOfBind"},       {"lblCustomCVARName", "edtCustomInput"},
    {"Label1", "edtValue"},
};

// The colours of the player-name chart, which shows each code in its colour only.
constexpr const char *codeColourNames[] = {"black", "red",     "green", "yellow", "blue",
                                           "aqua",  "fuchsia", "white", "olive",  "grey"};

void nameControls(TfrmBrackwell &window)
{
    const NamedChildren controls(&window);
    for (int i = 0; i < SettingCount; ++i) {
        const TfrmBrackwell::RowWidgets &row = window.row(i);
        row.caption->setBuddy(row.control);
    }
    for (const LabelFor &pair : labelsFor)
        controls.get<QLabel>(pair.label)->setBuddy(controls.get(pair.control));

    for (const ScriptBlock &script : scriptBlocks) {
        auto *check = controls.get<QCheckBox>(script.checkBox);
        // "Clock Script - Displays ..." is the clock script.
        const QString name = check->text().section(QLatin1StringView(" Script"), 0, 0);
        nameKeyedRow(controls, script.keyEdit, QStringLiteral("%1 script").arg(name));
    }
    for (const ClassBind &bind : classBinds) {
        auto *check = controls.get<QCheckBox>(bind.checkBox);
        // Four columns have a "Sub-Machine Gun": the banner above says whose.
        const QString name = className(bind.quotedCommand) + u' ' + QString::fromLatin1(bind.caption);
        check->setAccessibleName(name);
        nameKeyedRow(controls, bind.keyEdit, name);
    }
    // A list is named by its label, as any control is: the list's own interface says that name
    // first and its value after it. An editable list's text field is an object of its own to a
    // screen reader: the label names it too.
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        auto *list = qobject_cast<QComboBox *>(label->buddy());
        if (!list)
            continue;
        list->setAccessibleName(label->text());
        if (list->lineEdit())
            list->lineEdit()->setAccessibleName(label->text());
    }
    // A check box's caption is the setting's switch, so the box is its value: two check boxes
    // read alike otherwise.
    for (int i = 0; i < SettingCount; ++i) {
        if (QCheckBox *box = window.row(i).check)
            box->setAccessibleName(QString::fromLatin1(settingRows[i].captionText) + QStringLiteral(" value"));
    }
    controls.get("shpQuality")->setAccessibleName(QStringLiteral("Quality"));
    controls.get("shpFPS")->setAccessibleName(QStringLiteral("Relative FPS"));
    auto *tabs = controls.get<QTabWidget>("PC1");
    for (int t = 0; t < tabs->count(); ++t)
        tabs->widget(t)->setAccessibleName(tabs->tabText(t).remove(u'&'));
    controls.get("btnS17")->setAccessibleName(QStringLiteral("Select key to bind"));
    controls.get("memoOutput")->setAccessibleName(QStringLiteral("Config output"));
    controls.get("PC1")->setAccessibleName(QStringLiteral("Tabs"));

    for (QLabel *label : window.findChildren<ClickLabel *>()) {
        const QString code = label->text();
        if (code.size() == 2 && code[0] == u'^' && code[1].isDigit())
            label->setAccessibleName(
                QStringLiteral("Colour code %1, %2").arg(code, QLatin1StringView(codeColourNames[code[1].digitValue()])));
    }
}

// Spoken names of the keys whose captions are short or a sign that a screen reader may skip.
const QHash<QString, QString> &spokenKeyCaptions()
{
    static const QHash<QString, QString> spoken = {
        {QStringLiteral("Esc"), QStringLiteral("Escape")},
        {QStringLiteral("`"), QStringLiteral("Back Quote")},
        {QStringLiteral("-"), QStringLiteral("Minus")},
        {QStringLiteral("="), QStringLiteral("Equals")},
        {QStringLiteral("#"), QStringLiteral("Hash")},
        {QStringLiteral("BSpace"), QStringLiteral("Backspace")},
        {QStringLiteral("Prnt S"), QStringLiteral("Print Screen")},
        {QStringLiteral("S Lock"), QStringLiteral("Scroll Lock")},
        {QStringLiteral("N Lock"), QStringLiteral("Num Lock")},
        {QStringLiteral("/"), QStringLiteral("Slash")},
        {QStringLiteral("*"), QStringLiteral("Asterisk")},
        {QStringLiteral("+"), QStringLiteral("Plus")},
        {QStringLiteral("["), QStringLiteral("Left Bracket")},
        {QStringLiteral("]"), QStringLiteral("Right Bracket")},
        {QStringLiteral("Ins"), QStringLiteral("Insert")},
        {QStringLiteral("Del"), QStringLiteral("Delete")},
        {QStringLiteral("Pg Up"), QStringLiteral("Page Up")},
        {QStringLiteral("Pg Dn"), QStringLiteral("Page Down")},
        {QStringLiteral(";"), QStringLiteral("Semicolon")},
        {QStringLiteral("'"), QStringLiteral("Apostrophe")},
        {QStringLiteral(""), QStringLiteral("Blank key")},
        {QStringLiteral("\\"), QStringLiteral("Backslash")},
        {QStringLiteral(","), QStringLiteral("Comma")},
        {QStringLiteral("."), QStringLiteral("Full Stop")},
        {QStringLiteral("Up"), QStringLiteral("Up Arrow")},
        {QStringLiteral("Down"), QStringLiteral("Down Arrow")},
        {QStringLiteral("Left"), QStringLiteral("Left Arrow")},
        {QStringLiteral("Right"), QStringLiteral("Right Arrow")},
        {QStringLiteral("Space Bar"), QStringLiteral("Space")},
    };
    return spoken;
}

// Every key of the picker by a name of its own: the keypad's keys say so ("Keypad 7" is not the
// "7" above the letters), and of two keys alike the left one comes first ("Left Shift").
void nameKeys(TForm3 &picker)
{
    // The keypad is the block right of the navigation keys.
    constexpr int keypadLeft = 808;
    QStringList names;
    for (int i = 0; i < KeyboardKeyCount; ++i) {
        const PickerKey &key = pickerKeys[i];
        const QString caption = QString::fromLatin1(key.caption);
        const QString spoken = spokenKeyCaptions().value(caption, caption);
        names << (key.x >= keypadLeft ? QStringLiteral("Keypad ") + spoken : spoken);
    }
    for (int i = 0; i < KeyboardKeyCount; ++i) {
        const qsizetype twin = names.indexOf(names[i], i + 1);
        if (twin < 0)
            continue;
        // The table lists each row left to right.
        names[twin] = QStringLiteral("Right ") + names[i];
        names[i] = QStringLiteral("Left ") + names[i];
    }
    for (int i = 0; i < KeyboardKeyCount; ++i)
        namedChild(&picker, pickerKeys[i].control)->setAccessibleName(names[i]);
    for (int i = KeyboardKeyCount; i < PickerKeyCount; ++i) {
        QWidget *button = namedChild(&picker, pickerKeys[i].control);
        button->setAccessibleName(QString::fromLatin1(pickerKeys[i].caption).trimmed() + QStringLiteral(" mouse button"));
    }
    namedChild(&picker, "edtKey")->setAccessibleName(QStringLiteral("Chosen key"));
}

// The picker's keyboard: Escape closes it as its close control does, and Tab reaches the mouse's
// buttons after the keys.
void wirePickerKeys(TForm3 &picker)
{
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), &picker);
    QObject::connect(escape, &QShortcut::activated, &picker, &QWidget::close);
    QWidget *previous = namedChild(&picker, pickerKeys[KeyboardKeyCount - 1].control);
    for (int i = KeyboardKeyCount; i < PickerKeyCount; ++i) {
        QWidget *button = namedChild(&picker, pickerKeys[i].control);
        button->setFocusPolicy(Qt::StrongFocus);
        QWidget::setTabOrder(previous, button);
        previous = button;
    }
}

// The setting row a control belongs to: its box, a part of the box or its caption.
int rowOf(const TfrmBrackwell &window, const QWidget *widget)
{
    for (int i = 0; widget && i < SettingCount; ++i) {
        const TfrmBrackwell::RowWidgets &row = window.row(i);
        if (widget == row.control || row.control->isAncestorOf(widget) || widget == row.caption)
            return i;
    }
    return -1;
}

// Switches a row as a click on its caption does, for the keyboard and a screen reader: the focus
// stays on the row, and the change is told where the focus is. A switched-off box cannot hold
// the focus (Qt would pass it to the next box), so its caption, the row's switch, takes it until
// the row is switched on again.
void switchRow(TfrmBrackwell &window, int i)
{
    const TfrmBrackwell::RowWidgets &row = window.row(i);
    const bool wasOn = row.control->isEnabled();
    const QWidget *focus = QApplication::focusWidget();
    const bool inBox = focus && (focus == row.control || row.control->isAncestorOf(focus));
    if (wasOn && inBox)
        row.caption->setFocus(Qt::OtherFocusReason);
    emit row.caption->clicked();
    const bool on = row.control->isEnabled();
    if (on == wasOn)
        return; // a caption in neither colour
    if (on && QApplication::focusWidget() == row.caption)
        row.control->setFocus(Qt::OtherFocusReason);
    announce(QStringLiteral("%1 switched %2")
                 .arg(QString::fromLatin1(settingRows[i].captionText), on ? QStringLiteral("on") : QStringLiteral("off")));
}

// The next control Tab reaches from `from` (which may itself be out of the Tab order), or the
// previous one.
QWidget *tabNeighbour(QWidget *from, bool forward)
{
    QWidget *w = from;
    do {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (w->window() == from->window() && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled()
            && w->isVisible() && !w->focusProxy())
            return w;
    } while (w != from);
    return nullptr;
}

// A row's description as a tip under the control the keyboard is on, as the mouse shows it in the
// description bar, and told to a screen reader.
void tellDescription(QWidget *at, int i)
{
    const QString text = QString::fromLatin1(settingRows[i].description).trimmed();
    QToolTip::showText(at->mapToGlobal(QPoint(0, at->height())), text, at);
    announce(text);
}

// A setting's caption to a screen reader: the switch of its setting.
QString switchName(const QString &caption)
{
    return caption.trimmed() + QStringLiteral(" switch");
}

// A click label as a screen reader meets it. A setting's caption is the check box that switches
// its row: checked while the control it labels is enabled, which is what the script reads. The
// other click labels (the name chart's colours, the picker's mouse buttons) are buttons.
class ClickLabelAccessible : public QAccessibleWidget
{
public:
    explicit ClickLabelAccessible(ClickLabel *label)
        : QAccessibleWidget(label)
    {
    }

    QAccessible::Role role() const override
    {
        return row() ? QAccessible::CheckBox : QAccessible::Button;
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && label()->accessibleName().isEmpty())
            return row() ? switchName(label()->text()) : label()->text().trimmed();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (const QWidget *control = row()) {
            state.checkable = true;
            state.checked = control->isEnabled();
        }
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (row())
            names.prepend(toggleAction());
        names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &action) override
    {
        // A caption switches its row as the keyboard does, the focus kept on the row; other
        // labels the mouse's way, so the window's handler does what a click does.
        auto *window = qobject_cast<TfrmBrackwell *>(label()->window());
        const int i = window && row() ? rowOf(*window, label()) : -1;
        if (i >= 0 && (action == pressAction() || action == toggleAction()))
            switchRow(*window, i);
        else if (action == pressAction())
            emit label()->clicked();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    ClickLabel *label() const { return static_cast<ClickLabel *>(widget()); }
    QWidget *row() const { return label()->buddy(); }
};

// A list as a screen reader meets it: its name, then its value. Qt 6.4's own list gives its value
// as its name on Linux, where the reader was to follow the label relation, which it does not
// always; a list's name is set from its label.
class ListAccessible : public QAccessibleWidget
{
public:
    explicit ListAccessible(QComboBox *list)
        : QAccessibleWidget(list, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return list()->currentText();
        const QString text = QAccessibleWidget::text(kind);
        // A list of Qt's own dialogs without a label: its value is all there is to say.
        return kind == QAccessible::Name && text.isEmpty() ? list()->currentText() : text;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = popup() && popup()->isVisible();
        state.editable = list()->isEditable();
        return state;
    }

    // The text field of an editable list, and the open list once it has been made: Qt makes it at
    // the first opening, and a reader asking does not make it.
    int childCount() const override { return int(parts().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> all = parts();
        return index >= 0 && index < all.size() ? QAccessible::queryAccessibleInterface(all[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(parts().indexOf(child->object())) : -1;
    }

    QStringList actionNames() const override
    {
        return QStringList{QAccessibleActionInterface::showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (action == QAccessibleActionInterface::showMenuAction())
            list()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox *list() const { return static_cast<QComboBox *>(widget()); }
    QAbstractItemView *popup() const { return list()->findChild<QAbstractItemView *>(); }
    QList<QWidget *> parts() const
    {
        QList<QWidget *> all;
        if (list()->lineEdit())
            all << list()->lineEdit();
        if (QAbstractItemView *view = popup())
            all << view;
        return all;
    }
};

// A meter bar: a progress bar to a reader, its value the height it stands on its axis in tenths.
class MeterAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit MeterAccessible(MeterBar *bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface *>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? bar()->levelText() : QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return bar()->level(); }
    void setCurrentValue(const QVariant &) override {} // a display only
    QVariant maximumValue() const override { return MeterBar::Levels; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    MeterBar *bar() const { return static_cast<MeterBar *>(widget()); }
};

QAccessibleInterface *programInterface(const QString &className, QObject *object)
{
    // Tried before Qt's own, for every class of the object from the most derived one up.
    if (className == QLatin1StringView(ClickLabel::staticMetaObject.className()))
        return new ClickLabelAccessible(static_cast<ClickLabel *>(object));
    if (className == QLatin1StringView(MeterBar::staticMetaObject.className()))
        return new MeterAccessible(static_cast<MeterBar *>(object));
    if (className == QLatin1StringView(QComboBox::staticMetaObject.className()))
        return new ListAccessible(static_cast<QComboBox *>(object));
    return nullptr;
}

QString rowDescription(int row, bool on)
{
    const QString description = QString::fromLatin1(settingRows[row].description);
    return on ? description : description.trimmed() + QStringLiteral(" (switched off)");
}

// Keeps each setting row's switch told: whatever switches a row (its caption, New Config, an
// opened file) enables or disables its control, and that is what is watched.
class RowSwitches : public QObject
{
public:
    explicit RowSwitches(TfrmBrackwell &window)
        : QObject(&window)
        , m_window(window)
    {
        for (int i = 0; i < SettingCount; ++i) {
            const TfrmBrackwell::RowWidgets &row = window.row(i);
            row.caption->setAccessibleDescription(QString::fromLatin1(settingRows[i].description));
            row.control->setAccessibleDescription(rowDescription(i, row.control->isEnabled()));
            row.control->installEventFilter(this);
            row.caption->installEventFilter(this);
            m_rows.insert(row.control, i);
            m_rows.insert(row.caption, i);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && m_rows.contains(watched) && keyPress(watched, static_cast<QKeyEvent *>(event)))
            return true;
        if (event->type() == QEvent::EnabledChange && m_rows.contains(watched) && watched != m_window.row(m_rows.value(watched)).caption) {
            const int i = m_rows.value(watched);
            const TfrmBrackwell::RowWidgets &row = m_window.row(i);
            row.control->setAccessibleDescription(rowDescription(i, row.control->isEnabled()));
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent told(row.caption, changed);
            QAccessible::updateAccessibility(&told);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool keyPress(QObject *watched, const QKeyEvent *key)
    {
        const int i = m_rows.value(watched);
        const TfrmBrackwell::RowWidgets &row = m_window.row(i);
        if (key->key() == Qt::Key_I && key->modifiers() == Qt::ControlModifier) {
            tellDescription(static_cast<QWidget *>(watched), i);
            return true;
        }
        if (watched != row.caption)
            return false;
        // The caption holds the focus only while its row is off: Space switches, as on a check
        // box, and Tab goes on from where the row's box stands in the Tab order.
        switch (key->key()) {
        case Qt::Key_Space:
            if (key->modifiers() != Qt::NoModifier)
                return false;
            switchRow(m_window, i);
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
                return false;
            if (QWidget *next = tabNeighbour(row.control, key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier)))
                next->setFocus(key->key() == Qt::Key_Tab ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        default:
            return false;
        }
    }

    TfrmBrackwell &m_window;
    QHash<const QObject *, int> m_rows;
};

// A switched-off control is disabled and out of the Tab order, so the keyboard reaches a row's
// switch by its page: a menu of the page's settings, in Tab order, each ticked while it is on.
void showSettingsMenu(TfrmBrackwell &window)
{
    auto *tabs = namedChild<QTabWidget>(&window, "PC1");
    QWidget *page = tabs->currentWidget();
    QList<int> rows;
    for (QWidget *widget = page->nextInFocusChain(); widget != page; widget = widget->nextInFocusChain()) {
        const int row = rowOf(window, widget);
        if (row >= 0 && widget == window.row(row).control && page->isAncestorOf(widget))
            rows << row;
    }
    if (rows.isEmpty()) {
        QApplication::beep();
        return;
    }

    auto *menu = new QMenu(&window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(QStringLiteral("Settings on this page"));
    QWidget *focus = QApplication::focusWidget();
    const int focused = rowOf(window, focus);
    for (int i : rows) {
        QAction *action = menu->addAction(QString::fromLatin1(settingRows[i].captionText).replace(u'&', QLatin1StringView("&&")));
        action->setCheckable(true);
        action->setChecked(window.row(i).control->isEnabled());
        QObject::connect(action, &QAction::triggered, &window, [&window, i] {
            // Switched on, the setting is where the user goes next: from its switch to its box.
            if (!window.row(i).control->isEnabled())
                window.row(i).caption->setFocus(Qt::ShortcutFocusReason);
            switchRow(window, i);
        });
        if (i == focused || (focused < 0 && !menu->activeAction()))
            menu->setActiveAction(action);
    }
    const QWidget *anchor = focus && page->isAncestorOf(focus) ? focus : page;
    menu->popup(anchor->mapToGlobal(QPoint(0, anchor == page ? 0 : anchor->height())));
}

void wireSwitchKeys(TfrmBrackwell &window)
{
    // In a setting's control: switch that setting, as a click on its caption does.
    auto *switchHere = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Space), &window);
    QObject::connect(switchHere, &QShortcut::activated, &window, [&window] {
        const int row = rowOf(window, QApplication::focusWidget());
        if (row >= 0)
            switchRow(window, row);
    });
    auto *pageMenu = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Space), &window);
    QObject::connect(pageMenu, &QShortcut::activated, &window, [&window] { showSettingsMenu(window); });
}

// The marks' tips, which the mouse shows, for the keyboard: Ctrl+I tells the tip of the mark at
// the text cursor, F8 and Shift+F8 move the cursor to the next and the previous mark and tell its
// tip. A tip shows where the mouse's would and is also the box's description, which a screen
// reader says, until the cursor leaves the mark. The description is the box's keys when the focus
// comes to it; once a tip has been asked for, the keys are known and are not said again on
// leaving the mark (a reader speaks every new description of the control it is on).
class MarkKeys : public QObject
{
public:
    explicit MarkKeys(QPlainTextEdit *box)
        : QObject(box)
        , m_box(box)
    {
        m_box->setAccessibleDescription(hint());
        m_box->installEventFilter(this);
        connect(m_box, &QPlainTextEdit::cursorPositionChanged, this, [this] {
            if (!m_told.isEmpty() && tipsAtCursor() != m_told) {
                m_told.clear();
                m_box->setAccessibleDescription(QString());
            }
        });
        add(QKeySequence(Qt::CTRL | Qt::Key_I), [this] { tell(tipsAtCursor(), QStringLiteral("Nothing is marked here.")); });
        add(QKeySequence(Qt::Key_F8), [this] { go(true); });
        add(QKeySequence(Qt::SHIFT | Qt::Key_F8), [this] { go(false); });
    }

private:
    static QString hint()
    {
        return QStringLiteral("Ctrl+I tells what the game does with the marked text at the cursor; F8 and Shift+F8 "
                              "go to the next and the previous mark; Ctrl+G goes to a line by its number.");
    }

    template <typename Handler>
    void add(const QKeySequence &keys, Handler handler)
    {
        auto *shortcut = new QShortcut(keys, m_box, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, handler);
    }

    QStringList tipsAtCursor() const
    {
        const QTextCursor cursor = m_box->textCursor();
        // The character after the cursor, or the one before it at the end of a marked stretch.
        QStringList tips = OutputHighlighter::tipsAt(cursor.block(), cursor.positionInBlock());
        if (tips.isEmpty() && cursor.positionInBlock() > 0)
            tips = OutputHighlighter::tipsAt(cursor.block(), cursor.positionInBlock() - 1);
        return tips;
    }

    void go(bool forward)
    {
        // Where each mark starts, in the box's order.
        QList<int> starts;
        for (QTextBlock block = m_box->document()->begin(); block.isValid(); block = block.next()) {
            for (const LineMark &mark : OutputHighlighter::shown(block).marks)
                starts << block.position() + mark.start;
        }
        std::sort(starts.begin(), starts.end());
        if (starts.isEmpty()) {
            tell({}, QStringLiteral("Nothing is marked."));
            return;
        }
        const int here = m_box->textCursor().position();
        // Round the box: after the last mark comes the first.
        int target = forward ? starts.front() : starts.back();
        if (forward) {
            const auto next = std::upper_bound(starts.begin(), starts.end(), here);
            if (next != starts.end())
                target = *next;
        } else {
            const auto next = std::lower_bound(starts.begin(), starts.end(), here);
            if (next != starts.begin())
                target = *(next - 1);
        }
        QTextCursor cursor = m_box->textCursor();
        cursor.setPosition(target);
        m_box->setTextCursor(cursor);
        m_box->ensureCursorVisible();
        tell(tipsAtCursor(), QString());
    }

    void tell(const QStringList &tips, const QString &none)
    {
        const QString text = tips.isEmpty() ? none : tips.join(u'\n');
        const QRect caret = m_box->cursorRect();
        QToolTip::showText(m_box->viewport()->mapToGlobal(caret.bottomLeft()), text, m_box->viewport());
        // Nothing marked is said until the cursor moves.
        m_told = tips.isEmpty() ? QStringList{QString()} : tips;
        redescribe(m_box, text);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Before the reader hears of the focus, so it is said with the box.
        if (event->type() == QEvent::FocusIn && m_told.isEmpty() && m_box->accessibleDescription() != hint())
            m_box->setAccessibleDescription(hint());
        return QObject::eventFilter(watched, event);
    }

    QPlainTextEdit *m_box;
    QStringList m_told; // the tips of the mark the cursor is on, once asked for
};

} // namespace

namespace brackwell {

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(programInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

void makeMainWindowAccessible(TfrmBrackwell &window)
{
    nameControls(window);
    new RowSwitches(window);
    wireSwitchKeys(window);
    new MarkKeys(namedChild<QPlainTextEdit>(&window, "memoOutput"));
    wireMainWindowPaths(window);
}

void makeKeyPickerAccessible(TForm3 &picker)
{
    nameKeys(picker);
    wirePickerKeys(picker);
    wirePickerPaths(picker);
}

} // namespace brackwell
