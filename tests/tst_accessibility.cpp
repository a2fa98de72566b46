// The window as a screen reader reads it: through the accessibility interfaces Qt hands to the
// platform's bridge, never through the widgets' own properties.
#include "console/keynames.h"
#include "gui/clicklabel.h"
#include "gui/outputhighlighter.h"
#include "support/windowfixture.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolTip>
#include <QTest>

using namespace brackwell;

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    if (!iface)
        qFatal("no accessibility interface for %s", qPrintable(object->objectName()));
    return iface;
}

// What a screen reader says a control is called. On Linux a list's own name is its value and the
// reader says the label that labels it instead.
QString spokenName(QObject *object)
{
    QAccessibleInterface *iface = accessible(object);
    if (iface->role() == QAccessible::ComboBox && iface->text(QAccessible::Name) == iface->text(QAccessible::Value)) {
        for (const auto &[label, relation] : iface->relations(QAccessible::Label)) {
            if (label->role() != QAccessible::Grouping)
                return label->text(QAccessible::Name);
        }
        return QString();
    }
    return iface->text(QAccessible::Name);
}

// Every control the user reaches with Tab or clicks: the keyboard's stops and the click labels,
// not the parts of popups (a list's drop-down).
QList<QWidget *> controls(const QWidget *window)
{
    QList<QWidget *> found;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->window() != window)
            continue;
        const bool tabStop = (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy();
        if (tabStop || qobject_cast<ClickLabel *>(widget))
            found << widget;
    }
    return found;
}

QString groupTitle(const QWidget *widget)
{
    for (const QWidget *up = widget->parentWidget(); up; up = up->parentWidget()) {
        if (const auto *group = qobject_cast<const QGroupBox *>(up))
            return group->title();
    }
    return QString();
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void everyControlHasANameOfItsOwn()
    {
        WindowFixture f;
        for (const QWidget *window : {static_cast<QWidget *>(f.window.get()), static_cast<QWidget *>(f.picker.get())}) {
            QHash<QString, QString> owners;
            const QList<QWidget *> found = controls(window);
            QVERIFY(found.size() > (window == f.window.get() ? 100 : 110));
            for (QWidget *control : found) {
                const QString name = spokenName(control);
                const QString who = control->objectName();
                QVERIFY2(!name.trimmed().isEmpty(), qPrintable(who));
                // A group's title is where a control is, not what it is.
                QVERIFY2(name != groupTitle(control), qPrintable(who + ": " + name));
                // A setting's caption and its control share the caption's name: one is the
                // row's switch, the other its value.
                const auto *caption = qobject_cast<const QLabel *>(control);
                const QString key = caption && caption->buddy() ? name + " (switch)" : name;
                QVERIFY2(!owners.contains(key), qPrintable(who + " and " + owners.value(key) + ": " + name));
                owners.insert(key, who);
            }
        }
    }

    void settingControlsAreNamedByTheirCaptions()
    {
        WindowFixture f;
        for (int i = 0; i < SettingCount; ++i) {
            QWidget *control = f.window->row(i).control;
            QCOMPARE(spokenName(control), QString::fromLatin1(settingRows[i].captionText));
            // The caption is the control's label, so a reader can go from one to the other.
            bool labelled = false;
            for (const auto &[label, relation] : accessible(control)->relations(QAccessible::Label))
                labelled |= label->object() == f.window->row(i).caption;
            QVERIFY2(labelled, settingRows[i].control);
        }
    }

    void captionsAreTheSwitchesOfTheirRows()
    {
        WindowFixture f;
        const QString toggle = QAccessibleActionInterface::toggleAction();
        for (int i = 0; i < SettingCount; ++i) {
            const TfrmBrackwell::RowWidgets &row = f.window->row(i);
            QAccessibleInterface *caption = accessible(row.caption);
            QAccessibleInterface *control = accessible(row.control);
            const QString description = QString::fromLatin1(settingRows[i].description);
            const QString off = description.trimmed() + " (switched off)";
            QCOMPARE(caption->role(), QAccessible::CheckBox);
            QCOMPARE(caption->text(QAccessible::Name), QString::fromLatin1(settingRows[i].captionText));
            QCOMPARE(caption->text(QAccessible::Description), description);
            QVERIFY(caption->state().checkable);
            QVERIFY(caption->state().checked);
            QCOMPARE(control->text(QAccessible::Description), description);
            QVERIFY(caption->actionInterface()->actionNames().contains(toggle));

            // The reader's toggle is a click: the row goes off as the mouse would switch it.
            caption->actionInterface()->doAction(toggle);
            QVERIFY(!row.control->isEnabled());
            QCOMPARE(textColour(row.caption), QColor(255, 0, 0));
            QVERIFY(!caption->state().checked);
            QVERIFY(control->state().disabled);
            QCOMPARE(control->text(QAccessible::Description), off);
            // Switched on by the mouse, the reader hears it as well.
            QTest::mouseClick(row.caption, Qt::LeftButton);
            QVERIFY(caption->state().checked);
            QCOMPARE(control->text(QAccessible::Description), description);
            // Off again, for New Config below.
            if (i % 3 == 0) {
                caption->actionInterface()->doAction(toggle);
                QCOMPARE(control->text(QAccessible::Description), off);
            }
        }
        // New Config switches the rows on without their captions: the reader is told all the same.
        f.window->NewConfig1Click();
        for (int i = 0; i < SettingCount; ++i) {
            const TfrmBrackwell::RowWidgets &row = f.window->row(i);
            const bool on = row.control->isEnabled();
            QCOMPARE(accessible(row.caption)->state().checked, on);
            QCOMPARE(accessible(row.control)->text(QAccessible::Description).endsWith("(switched off)"), !on);
        }
    }

    void otherClickLabelsAreButtons()
    {
        WindowFixture f;
        QAccessibleInterface *code = accessible(f.get<QWidget>("Label3"));
        QCOMPARE(code->role(), QAccessible::Button);
        code->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.edit("edtPlayerName")->text(), "^1");
        QAccessibleInterface *middle = accessible(f.onPicker<QWidget>("Label3"));
        QCOMPARE(middle->role(), QAccessible::Button);
        middle->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.onPicker<QLineEdit>("edtKey")->text(), "mouse3");
    }

    void keysSwitchASettingOffAndOnAgain_data()
    {
        QTest::addColumn<QString>("control");
        for (const char *control : {"edtBrass", "CBSky", "CBMarkTime", "CBFPS2", "edtRunRoll"})
            QTest::newRow(control) << QString(control);
    }

    void keysSwitchASettingOffAndOnAgain()
    {
        QFETCH(QString, control);
        WindowFixture f;
        const int row = settingIndex(qPrintable(control));
        const TfrmBrackwell::RowWidgets &r = f.window->row(row);
        const QString caption = QString::fromLatin1(settingRows[row].captionText);
        f.openTabOf(r.control);
        r.control->setFocus(Qt::TabFocusReason);
        QVERIFY(r.control->hasFocus());
        const GenerationInput before = f.window->readGenerationInput();

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(!r.control->isEnabled());
        QCOMPARE(textColour(r.caption), QColor(255, 0, 0));
        QVERIFY(!accessible(r.caption)->state().checked);

        // Back on through the page's menu: its items are the page's settings, ticked while on.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QWidget *page = f.get<QTabWidget>("PC1")->currentWidget();
        QStringList expected, items;
        for (int i = 0; i < SettingCount; ++i) {
            if (page->isAncestorOf(f.window->row(i).control))
                expected << QString::fromLatin1(settingRows[i].captionText);
        }
        for (const QAction *action : menu->actions()) {
            items << action->text();
            QVERIFY(action->isCheckable());
            QCOMPARE(action->isChecked(), action->text() != caption);
        }
        std::sort(expected.begin(), expected.end());
        std::sort(items.begin(), items.end());
        QCOMPARE(items, expected);
        for (int steps = 0; menu->activeAction()->text() != caption && steps < SettingCount; ++steps)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_VERIFY(!menu->isVisible());

        QVERIFY(r.control->isEnabled());
        QVERIFY(r.control->hasFocus());
        QCOMPARE(textColour(r.caption), QColor(0, 0, 0));
        QVERIFY(accessible(r.caption)->state().checked);
        QCOMPARE(generate(f.window->readGenerationInput()).text, generate(before).text);
    }

    void pagesWithoutSettingsHaveNoSettingsMenu()
    {
        WindowFixture f;
        QWidget *scripts = f.get<QWidget>("CBClock");
        f.openTabOf(scripts);
        scripts->setFocus();
        QTest::keyClick(scripts, Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!QApplication::activePopupWidget());
        QTest::keyClick(scripts, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(!f.check("CBClock")->isChecked());
    }

    void marksAndTheirTipsAreReachedFromTheKeyboard()
    {
        WindowFixture f;
        QPlainTextEdit *box = f.output();
        f.openTabOf(box);
        box->setPlainText("seta r_gamma \"1.3\"\nbind F4 say brb; quit\necho fine\nseta brb x//y\necho ok");
        box->setFocus();
        QAccessibleInterface *reader = accessible(box);
        const QString hint = reader->text(QAccessible::Description);
        QVERIFY(hint.contains("Ctrl+I"));

        // The marks as the mouse finds them: where each starts and what its tip says.
        QList<QPair<int, QString>> marks;
        for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
            for (const LineMark &mark : OutputHighlighter::shown(block).marks)
                marks.append({block.position() + mark.start, OutputHighlighter::tipsAt(block, mark.start).join('\n')});
        }
        QCOMPARE(marks.size(), 2);

        // The tip shown, or nothing when none is.
        auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            QTest::keyClick(box, key, modifiers);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(press(Qt::Key_I, Qt::ControlModifier), "Nothing is marked here.");
        // F8 goes round the marks; Shift+F8 back.
        for (int step : {0, 1, 0}) {
            QCOMPARE(press(Qt::Key_F8, Qt::NoModifier), marks[step].second);
            QCOMPARE(box->textCursor().position(), marks[step].first);
            QCOMPARE(reader->text(QAccessible::Description), marks[step].second);
        }
        QCOMPARE(press(Qt::Key_F8, Qt::ShiftModifier), marks[1].second);
        QCOMPARE(box->textCursor().position(), marks[1].first);
        // Inside a mark and at its end, Ctrl+I tells its tip; moved on, the box says how again.
        QTest::keyClick(box, Qt::Key_End);
        QCOMPARE(press(Qt::Key_I, Qt::ControlModifier), marks[1].second);
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(reader->text(QAccessible::Description), hint);
        box->clear();
        QCOMPARE(press(Qt::Key_F8, Qt::NoModifier), "Nothing is marked.");
    }

    // Tab goes through every key that can be chosen and the mouse's buttons, then OK.
    void pickerIsUsedFromTheKeyboardAlone()
    {
        WindowFixture f;
        f.clickButton("btnS2");
        TForm3 *picker = f.picker.get();
        QVERIFY(QTest::qWaitForWindowExposed(picker));
        picker->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(picker));

        QSet<QString> reached;
        QWidget *first = f.onPicker<QWidget>(pickerKeys[0].control);
        first->setFocus(Qt::TabFocusReason);
        for (int steps = 0; steps < PickerKeyCount + 10; ++steps) {
            QWidget *focus = QApplication::focusWidget();
            reached.insert(focus->objectName());
            QTest::keyClick(focus, Qt::Key_Tab);
            if (QApplication::focusWidget() == first)
                break;
        }
        for (int i = 0; i < PickerKeyCount; ++i)
            QCOMPARE(reached.contains(pickerKeys[i].control), pickerKeys[i].name != nullptr);
        QVERIFY(reached.contains("btnKeyOK"));

        // The mouse's buttons are chosen with Space or Enter, as the keys are.
        const QString keys[] = {"mouse1", "mouse3", "mouse2"};
        const Qt::Key presses[] = {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter};
        for (int i = 0; i < MouseButtonCount; ++i) {
            QWidget *button = f.onPicker<QWidget>(pickerKeys[KeyboardKeyCount + i].control);
            button->setFocus(Qt::TabFocusReason);
            QTest::keyClick(button, presses[i]);
            QCOMPARE(f.onPicker<QLineEdit>("edtKey")->text(), keys[i]);
        }
        // Escape closes the picker as its close control does: nothing is written.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!picker->isVisible());
        QCOMPARE(f.edit("edtScript2")->text(), "F9");

        // Open again, chosen and confirmed from the keyboard.
        f.clickButton("btnS2");
        picker->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(picker));
        QWidget *keypad7 = f.onPicker<QWidget>("Button21");
        keypad7->setFocus(Qt::TabFocusReason);
        QTest::keyClick(keypad7, Qt::Key_Space);
        QWidget *ok = f.onPicker<QWidget>("btnKeyOK");
        ok->setFocus(Qt::TabFocusReason);
        QTest::keyClick(ok, Qt::Key_Return);
        QVERIFY(!picker->isVisible());
        QCOMPARE(f.edit("edtScript2")->text(), "kp_home");
    }

    void controlsWithoutCaptionAreNamedForWhatTheyDo_data()
    {
        QTest::addColumn<bool>("onPicker");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        auto window = [](const char *control, const char *name) {
            QTest::newRow(control) << false << QString(control) << QString(name);
        };
        auto picker = [](const char *control, const char *name) {
            QTest::newRow(control) << true << QString(control) << QString(name);
        };
        window("btnS1", "Select key for the FOV-Fixed Shooting script");
        window("btnS2", "Select key for the Clock script");
        window("edtScript3", "Demo Recording script key");
        window("edtScript4", "Akimbo script key");
        window("edtSsmg", "Soldier Sub-Machine Gun key");
        window("Msmg", "Medic Sub-Machine Gun");
        window("btnS14", "Select key for the Covert Ops Sten");
        window("edtFsmg", "Field Ops Sub-Machine Gun key");
        window("memoOutput", "Config output");
        window("edtDescription", "Description Bar:");
        window("CBTypeOfBind", "Select Type Of Bind");
        window("Label12", "Colour code ^7, white");
        picker("Button21", "Keypad 7");
        picker("Button98", "7");
        picker("Button89", "Left Shift");
        picker("Button62", "Right Shift");
        picker("Button20", "Keypad Minus");
        picker("Button36", "Keypad Enter");
        picker("Button54", "Return");
        picker("Label4", "Right mouse button");
        picker("edtKey", "Chosen key");
    }

    void controlsWithoutCaptionAreNamedForWhatTheyDo()
    {
        QFETCH(bool, onPicker);
        QFETCH(QString, control);
        QFETCH(QString, name);
        WindowFixture f;
        QObject *root = onPicker ? static_cast<QObject *>(f.picker.get()) : f.window.get();
        QWidget *widget = root->findChild<QWidget *>(control);
        QVERIFY(widget);
        QCOMPARE(spokenName(widget), name);
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
