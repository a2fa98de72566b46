#include "gui/accessibility.h"

#include "console/keynames.h"
#include "gui/clicklabel.h"
#include "gui/keypicker.h"
#include "gui/mainwindow.h"
#include "gui/outputhighlighter.h"
#include "script/catalogue.h"
#include "script/slottable.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHash>
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

template <typename T = QWidget>
T *named(const QObject *root, const QString &name)
{
    T *widget = root->findChild<T *>(name);
    Q_ASSERT_X(widget, "accessibility", qPrintable(name));
    return widget;
}

template <typename T = QWidget>
T *named(const QObject *root, const char *name)
{
    return named<T>(root, QLatin1StringView(name));
}

// The "Select Key" button that fills this key box.
QWidget *selectKeyButton(const QObject *root, const char *keyEdit)
{
    for (const KeySlot &slot : keySlots()) {
        if (slot.edit == QLatin1StringView(keyEdit))
            return named(root, slot.button);
    }
    Q_ASSERT_X(false, "accessibility", keyEdit);
    return nullptr;
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
void nameKeyedRow(const QObject *root, const char *keyEdit, const QString &thing)
{
    named(root, keyEdit)->setAccessibleName(QStringLiteral("%1 key").arg(thing));
    selectKeyButton(root, keyEdit)->setAccessibleName(QStringLiteral("Select key for the %1").arg(thing));
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
    for (int i = 0; i < SettingCount; ++i) {
        const TfrmBrackwell::RowWidgets &row = window.row(i);
        row.caption->setBuddy(row.control);
    }
    for (const LabelFor &pair : labelsFor)
        named<QLabel>(&window, pair.label)->setBuddy(named(&window, pair.control));

    for (const ScriptBlock &script : scriptBlocks) {
        auto *check = named<QCheckBox>(&window, script.checkBox);
        // "Clock Script - Displays ..." is the clock script.
        const QString name = check->text().section(QLatin1StringView(" Script"), 0, 0);
        nameKeyedRow(&window, script.keyEdit, QStringLiteral("%1 script").arg(name));
    }
    for (const ClassBind &bind : classBinds) {
        auto *check = named<QCheckBox>(&window, bind.checkBox);
        // Four columns have a "Sub-Machine Gun": the banner above says whose.
        const QString name = className(bind.quotedCommand) + u' ' + QString::fromLatin1(bind.caption);
        check->setAccessibleName(name);
        nameKeyedRow(&window, bind.keyEdit, name);
    }
    // An editable list's text field is an object of its own to a screen reader: the list's label
    // names it too.
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        const auto *list = qobject_cast<const QComboBox *>(label->buddy());
        if (list && list->lineEdit())
            list->lineEdit()->setAccessibleName(label->text());
    }
    named(&window, "btnS17")->setAccessibleName(QStringLiteral("Select key to bind"));
    named(&window, "memoOutput")->setAccessibleName(QStringLiteral("Config output"));
    named(&window, "PC1")->setAccessibleName(QStringLiteral("Tabs"));

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
        named(&picker, pickerKeys[i].control)->setAccessibleName(names[i]);
    for (int i = KeyboardKeyCount; i < PickerKeyCount; ++i) {
        QWidget *button = named(&picker, pickerKeys[i].control);
        button->setAccessibleName(QString::fromLatin1(pickerKeys[i].caption).trimmed() + QStringLiteral(" mouse button"));
    }
    named(&picker, "edtKey")->setAccessibleName(QStringLiteral("Chosen key"));
}

// The picker's keyboard: Escape closes it as its close control does, and Tab reaches the mouse's
// buttons after the keys.
void wirePickerKeys(TForm3 &picker)
{
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), &picker);
    QObject::connect(escape, &QShortcut::activated, &picker, &QWidget::close);
    QWidget *previous = named(&picker, pickerKeys[KeyboardKeyCount - 1].control);
    for (int i = KeyboardKeyCount; i < PickerKeyCount; ++i) {
        QWidget *button = named(&picker, pickerKeys[i].control);
        button->setFocusPolicy(Qt::StrongFocus);
        QWidget::setTabOrder(previous, button);
        previous = button;
    }
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
            return label()->text().trimmed();
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
        // The mouse's way, so the window's handler does what a click does.
        if (action == pressAction() || (action == toggleAction() && row()))
            emit label()->clicked();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    ClickLabel *label() const { return static_cast<ClickLabel *>(widget()); }
    QWidget *row() const { return label()->buddy(); }
};

QAccessibleInterface *clickLabelInterface(const QString &className, QObject *object)
{
    if (className != QLatin1StringView(ClickLabel::staticMetaObject.className()))
        return nullptr;
    auto *label = qobject_cast<ClickLabel *>(object);
    return label ? new ClickLabelAccessible(label) : nullptr;
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
            m_rows.insert(row.control, i);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange && m_rows.contains(watched)) {
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
    TfrmBrackwell &m_window;
    QHash<const QObject *, int> m_rows;
};

int rowOf(const TfrmBrackwell &window, const QWidget *widget)
{
    for (int i = 0; widget && i < SettingCount; ++i) {
        const QWidget *control = window.row(i).control;
        if (widget == control || control->isAncestorOf(widget))
            return i;
    }
    return -1;
}

// A switched-off control is disabled and out of the Tab order, so the keyboard reaches a row's
// switch by its page: a menu of the page's settings, in Tab order, each ticked while it is on.
void showSettingsMenu(TfrmBrackwell &window)
{
    auto *tabs = named<QTabWidget>(&window, "PC1");
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
            const TfrmBrackwell::RowWidgets &row = window.row(i);
            emit row.caption->clicked();
            // Switched on, the setting is where the user goes next.
            if (row.control->isEnabled())
                row.control->setFocus(Qt::ShortcutFocusReason);
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
            emit window.row(row).caption->clicked();
    });
    auto *pageMenu = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Space), &window);
    QObject::connect(pageMenu, &QShortcut::activated, &window, [&window] { showSettingsMenu(window); });
}

// The marks' tips, which the mouse shows, for the keyboard: Ctrl+I tells the tip of the mark at
// the text cursor, F8 and Shift+F8 move the cursor to the next and the previous mark and tell its
// tip. A tip shows where the mouse's would and is also the box's description until the cursor
// moves, so a screen reader says it.
class MarkKeys : public QObject
{
public:
    explicit MarkKeys(QPlainTextEdit *box)
        : QObject(box)
        , m_box(box)
    {
        m_box->setAccessibleDescription(hint());
        connect(m_box, &QPlainTextEdit::cursorPositionChanged, this, [this] {
            if (m_box->accessibleDescription() != hint())
                m_box->setAccessibleDescription(hint());
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
        m_box->setAccessibleDescription(text);
    }

    QPlainTextEdit *m_box;
};

} // namespace

namespace brackwell {

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(clickLabelInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

void makeMainWindowAccessible(TfrmBrackwell &window)
{
    nameControls(window);
    new RowSwitches(window);
    wireSwitchKeys(window);
    new MarkKeys(named<QPlainTextEdit>(&window, "memoOutput"));
}

void makeKeyPickerAccessible(TForm3 &picker)
{
    nameKeys(picker);
    wirePickerKeys(picker);
}

} // namespace brackwell
