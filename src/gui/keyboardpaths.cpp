#include "gui/keyboardpaths.h"

#include "console/keynames.h"
#include "gui/announce.h"
#include "gui/clicklabel.h"
#include "gui/keypicker.h"
#include "gui/mainwindow.h"
#include "gui/namedchild.h"
#include "script/catalogue.h"
#include "script/slottable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QTabWidget>

#include <algorithm>
#include <cstdlib>
#include <limits>

using namespace brackwell;

namespace {

bool plain(const QKeyEvent *key)
{
    return (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool takesFocus(const QWidget *widget)
{
    return widget && widget->isEnabled() && widget->isVisible();
}

// A check box, its key box and Select Key button stand side by side: Right goes along the row and
// Left back, leaving the key box only at either end of its text. In the key box, Alt+Down or F4
// opens the key picker for it, as a list opens with those keys.
class KeyedRowPath : public QObject
{
public:
    struct Row {
        QWidget *check; // none for a free bind's key
        QLineEdit *key;
        QAbstractButton *select;
    };

    KeyedRowPath(QObject *parent, const QList<Row> &rows)
        : QObject(parent)
        , m_rows(rows)
    {
        for (const Row &row : m_rows) {
            for (QWidget *part : {row.check, static_cast<QWidget *>(row.key), static_cast<QWidget *>(row.select)}) {
                if (part)
                    part->installEventFilter(this);
            }
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        for (const Row &row : m_rows) {
            if (watched == row.key)
                return inKey(row, key);
            if (!plain(key) || (key->key() != Qt::Key_Right && key->key() != Qt::Key_Left))
                continue;
            if (watched == row.check && key->key() == Qt::Key_Right)
                return go({row.key, row.select});
            if (watched == row.select && key->key() == Qt::Key_Left)
                return go({row.key, row.check});
        }
        return false;
    }

private:
    static bool go(std::initializer_list<QWidget *> choices)
    {
        for (QWidget *widget : choices) {
            if (takesFocus(widget)) {
                widget->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
        return false;
    }

    static bool inKey(const Row &row, const QKeyEvent *key)
    {
        if ((key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier) || (key->key() == Qt::Key_F4 && plain(key))) {
            row.select->click();
            return true;
        }
        if (!plain(key) || row.key->hasSelectedText())
            return false;
        if (key->key() == Qt::Key_Right && row.key->cursorPosition() == row.key->text().size())
            return go({row.select});
        if (key->key() == Qt::Key_Left && row.key->cursorPosition() == 0)
            return go({row.check});
        return false;
    }

    QList<Row> m_rows;
};

// Enter goes on to the next field a free bind needs, in the order they depend on each other: the
// bind type first, then the key, the text, the voice command and "Add bind to config".
class EnterPath : public QObject
{
public:
    EnterPath(QObject *parent, const QList<QWidget *> &fields)
        : QObject(parent)
        , m_fields(fields)
    {
        for (QWidget *field : m_fields.mid(0, m_fields.size() - 1))
            field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || !plain(key))
            return false;
        for (qsizetype i = m_fields.indexOf(static_cast<QWidget *>(watched)) + 1; i > 0 && i < m_fields.size(); ++i) {
            if (takesFocus(m_fields[i])) {
                m_fields[i]->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
        return false;
    }

private:
    QList<QWidget *> m_fields;
};

// Ctrl+Tab and Ctrl+Shift+Tab change the tab from the description bar too, which stands outside
// the tabs.
class TabKeys : public QObject
{
public:
    TabKeys(QWidget *outside, QTabWidget *tabs)
        : QObject(outside)
        , m_tabs(tabs)
    {
        outside->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!(key->modifiers() & Qt::ControlModifier) || (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab))
            return false;
        const int step = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier) ? -1 : 1;
        m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + m_tabs->count()) % m_tabs->count());
        return true;
    }

private:
    QTabWidget *m_tabs;
};

// The key picker's keys as they lie: arrow keys go to the nearest key in their direction, typing
// a key's name (as the game writes it, as it is printed on the key or as it is spoken) goes to
// that key, and so does pressing a key that types nothing (F5, Insert, a keypad key). Going to a
// key does not choose it; Space or Enter does, as a click.
class PickerKeyboard : public QObject
{
public:
    PickerKeyboard(TForm3 &picker, const NamedChildren &controls)
        : QObject(&picker)
        , m_picker(picker)
    {
        for (int i = 0; i < PickerKeyCount; ++i) {
            if (!pickerKeys[i].name)
                continue;
            QWidget *key = controls.get(pickerKeys[i].control);
            m_keys << Key{key, i};
            key->installEventFilter(this);
        }
        QWidget *ok = controls.get("btnKeyOK");
        m_keys << Key{ok, -1};
        ok->installEventFilter(this);
        for (auto keys : {Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter}) {
            auto *accept = new QShortcut(QKeySequence(keys), &picker);
            connect(accept, &QShortcut::activated, ok, [ok] { static_cast<QAbstractButton *>(ok)->click(); });
        }
        m_typed.invalidate();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        auto *from = static_cast<QWidget *>(watched);
        switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (!plain(key))
                return false;
            m_typed.invalidate();
            if (QWidget *next = neighbour(from, Qt::Key(key->key())))
                next->setFocus(Qt::OtherFocusReason);
            return true;
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
            m_typed.invalidate();
            return false;
        default:
            break;
        }
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        QWidget *target = nullptr;
        const QString untyped = untypedName(key->key());
        if (key->modifiers() & Qt::KeypadModifier || !untyped.isEmpty()) {
            m_typed.invalidate();
            target = key->modifiers() & Qt::KeypadModifier ? keypadKey(key) : find(untyped);
        } else if (!key->text().isEmpty() && key->text().at(0).isPrint()) {
            target = typed(key->text());
        }
        if (!target)
            return false;
        target->setFocus(Qt::OtherFocusReason);
        return true;
    }

private:
    struct Key {
        QWidget *widget;
        int index; // in pickerKeys; -1 for OK
    };

    QRect placeOf(const QWidget *widget) const
    {
        return QRect(widget->mapTo(&m_picker, QPoint(0, 0)), widget->size());
    }

    // The nearest key in the direction on the line through the key the keyboard is on: a row
    // for Left and Right, a column for Up and Down. A key two rows high keeps the row it was
    // entered from, as a text cursor keeps its column. With no key below or above on the column,
    // the nearest key beyond it, a step across counting twice a step along.
    QWidget *neighbour(QWidget *from, Qt::Key direction)
    {
        const QRect a = placeOf(from);
        const QPoint line = m_lineFor == from ? m_line : a.center();
        const bool across = direction == Qt::Key_Left || direction == Qt::Key_Right;
        QWidget *best = nullptr;
        qint64 bestScore = std::numeric_limits<qint64>::max();
        for (const Key &key : m_keys) {
            const QRect b = placeOf(key.widget);
            if (key.widget == from || !takesFocus(key.widget))
                continue;
            bool beyond = false;
            switch (direction) {
            case Qt::Key_Right: beyond = b.left() > a.center().x(); break;
            case Qt::Key_Left: beyond = b.right() < a.center().x(); break;
            case Qt::Key_Down: beyond = b.top() > a.center().y(); break;
            default: beyond = b.bottom() < a.center().y(); break;
            }
            if (!beyond)
                continue;
            const int along = across ? std::abs(b.center().x() - line.x()) : std::abs(b.center().y() - line.y());
            // How far the key lies off the line: nothing where the line crosses it.
            const int off = across ? std::max({0, b.top() - line.y(), line.y() - b.bottom()})
                                   : std::max({0, b.left() - line.x(), line.x() - b.right()});
            // Along a row a key is on its line or not at all: the end of a row is the end.
            if (across && off > 0)
                continue;
            const int middle = across ? std::abs(b.center().y() - line.y()) : std::abs(b.center().x() - line.x());
            const qint64 score = (off > 0 ? 1LL << 40 : 0) + qint64(along + 2 * off) * 10000 + middle;
            if (score < bestScore) {
                bestScore = score;
                best = key.widget;
            }
        }
        if (best) {
            const QPoint there = placeOf(best).center();
            m_line = across ? QPoint(there.x(), line.y()) : QPoint(line.x(), there.y());
            m_lineFor = best;
        }
        return best;
    }

    // Keys that type no character, by the name the game writes; the modifiers stay out, as they
    // begin the picker's own keys (Shift+Tab).
    static QString untypedName(int key)
    {
        if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
            return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
        switch (key) {
        case Qt::Key_Insert: return QStringLiteral("ins");
        case Qt::Key_Delete: return QStringLiteral("del");
        case Qt::Key_Home: return QStringLiteral("home");
        case Qt::Key_PageUp: return QStringLiteral("pgup");
        case Qt::Key_PageDown: return QStringLiteral("pgdn");
        case Qt::Key_Backspace: return QStringLiteral("backspace");
        default: return QString();
        }
    }

    QWidget *find(const QString &name) const
    {
        for (const Key &key : m_keys) {
            if (key.index >= 0 && QString::fromLatin1(pickerKeys[key.index].name) == name)
                return key.widget;
        }
        return nullptr;
    }

    // The keypad's key pressed: by the character it types, or without Num Lock by the name the
    // game gives it.
    QWidget *keypadKey(const QKeyEvent *pressed) const
    {
        static const QHash<int, QString> navigation = {
            {Qt::Key_Insert, QStringLiteral("kp_ins")}, {Qt::Key_End, QStringLiteral("kp_end")},
            {Qt::Key_PageDown, QStringLiteral("kp_pgdn")}, {Qt::Key_Clear, QStringLiteral("kp_5")},
            {Qt::Key_Home, QStringLiteral("kp_home")}, {Qt::Key_PageUp, QStringLiteral("kp_pgup")},
            {Qt::Key_Delete, QStringLiteral("kp_del")},
        };
        if (const QString name = navigation.value(pressed->key()); !name.isEmpty())
            return find(name);
        for (const Key &key : m_keys) {
            if (key.index >= 0 && key.widget->accessibleName().startsWith(QLatin1StringView("Keypad "))
                && QString::fromLatin1(pickerKeys[key.index].caption) == pressed->text())
                return key.widget;
        }
        return nullptr;
    }

    // Type-ahead, as in a list: characters typed in quick succession make one name.
    QWidget *typed(const QString &text)
    {
        if (!m_typed.isValid() || m_typed.elapsed() > QApplication::keyboardInputInterval())
            m_search.clear();
        m_typed.start();
        m_search += text.toLower();
        // The game's name first ("1" is the main 1, the keypad's is kp_end), then the printed and
        // spoken names; a whole name before the beginning of one.
        for (const bool whole : {true, false}) {
            for (int form = 0; form < 3; ++form) {
                for (const Key &key : m_keys) {
                    const QString name = key.index < 0 ? (form == 0 ? QStringLiteral("ok") : QString()) : keyName(key, form);
                    if (!name.isEmpty() && (whole ? name == m_search : name.startsWith(m_search)))
                        return key.widget;
                }
            }
        }
        return nullptr;
    }

    static QString keyName(const Key &key, int form)
    {
        const PickerKey &k = pickerKeys[key.index];
        const QString name = form == 0 ? QString::fromLatin1(k.name)
                           : form == 1 ? QString::fromLatin1(k.caption)
                                       : key.widget->accessibleName();
        return name.toLower().remove(u' ');
    }

    TForm3 &m_picker;
    QList<Key> m_keys;
    QElapsedTimer m_typed;
    QString m_search;
    QPoint m_line; // the row or column the arrow keys follow, while on m_lineFor
    QWidget *m_lineFor = nullptr;
};

} // namespace

namespace brackwell {

void wireMainWindowPaths(TfrmBrackwell &window)
{
    const NamedChildren controls(&window);
    QList<KeyedRowPath::Row> rows;
    for (const ScriptBlock &script : scriptBlocks)
        rows << KeyedRowPath::Row{controls.get(script.checkBox), controls.get<QLineEdit>(script.keyEdit), nullptr};
    for (const ClassBind &bind : classBinds)
        rows << KeyedRowPath::Row{controls.get(bind.checkBox), controls.get<QLineEdit>(bind.keyEdit), nullptr};
    rows << KeyedRowPath::Row{nullptr, controls.get<QLineEdit>("edtKeyToBind"), nullptr};
    for (KeyedRowPath::Row &row : rows) {
        const KeySlot *slot = keySlotOfEdit(row.key->objectName());
        Q_ASSERT_X(slot, "keyboardpaths", qPrintable(row.key->objectName()));
        row.select = controls.get<QAbstractButton>(slot->button);
    }
    new KeyedRowPath(&window, rows);

    new EnterPath(&window, {controls.get("CBTypeOfBind"), controls.get("edtKeyToBind"), controls.get("edtBindInput"),
                            controls.get("CBVSayInput"), controls.get("btnAddBind")});

    auto *tabs = controls.get<QTabWidget>("PC1");
    new TabKeys(controls.get("edtDescription"), tabs);
    // The tab now shown, told where the focus is: on the tab bar, or on the page's first control.
    QObject::connect(tabs, &QTabWidget::currentChanged, &window,
                     [tabs](int index) { announce(tabs->tabText(index).remove(u'&') + QStringLiteral(" tab")); });
}

void wirePickerPaths(TForm3 &picker)
{
    const NamedChildren controls(&picker);
    new PickerKeyboard(picker, controls);
    // The key chosen, told on the key that chose it: the box showing it has no focus.
    auto *chosen = controls.get<QLineEdit>("edtKey");
    const auto tell = [chosen] { announce(QStringLiteral("Chosen key: %1").arg(chosen->text())); };
    for (int i = 0; i < PickerKeyCount; ++i) {
        if (!pickerKeys[i].name)
            continue;
        QWidget *key = controls.get(pickerKeys[i].control);
        if (auto *button = qobject_cast<QAbstractButton *>(key))
            QObject::connect(button, &QAbstractButton::clicked, chosen, tell);
        else
            QObject::connect(static_cast<ClickLabel *>(key), &ClickLabel::clicked, chosen, tell);
    }
}

} // namespace brackwell
