// The windows as a screen reader reads them, through the accessibility interfaces Qt hands to the
// platform's bridge, and used with the keyboard alone.
#include "console/keynames.h"
#include "gui/clicklabel.h"
#include "gui/desktop.h"
#include "gui/meterbar.h"
#include "gui/outputhighlighter.h"
#include "support/windowfixture.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>

using namespace brackwell;

namespace {

QAccessibleInterface *accessible(QObject *object)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    if (!iface)
        qFatal("no accessibility interface for %s", qPrintable(object->objectName()));
    return iface;
}

// What a screen reader says a control is called. On Linux a list's own name is its value, and the
// reader says the label that labels it.
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

QString groupTitle(const QWidget *widget)
{
    for (const QWidget *up = widget->parentWidget(); up; up = up->parentWidget()) {
        if (const auto *group = qobject_cast<const QGroupBox *>(up))
            return group->title();
    }
    return QString();
}

const QColor red(255, 0, 0);

QWidget *focused()
{
    return QApplication::focusWidget();
}

// What a screen reader was last told where the focus is: before Qt's announcements (6.8) the
// focused control's description carries it.
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
#define QCOMPARE_HEARD(said) QCOMPARE(accessible(focused())->text(QAccessible::Description), QString(said))
#else
#define QCOMPARE_HEARD(said)
#endif

// A setting row's caption text, from the catalogue.
QString captionOf(int row)
{
    return QString::fromLatin1(settingRows[row].captionText);
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    // Every Tab stop and click label of both windows (not the parts of a list's popup).
    void everyControlHasANameOfItsOwn()
    {
        WindowFixture f;
        for (const QWidget *window : {static_cast<QWidget *>(f.window.get()), static_cast<QWidget *>(f.picker.get())}) {
            QHash<QString, QString> owners;
            for (QWidget *control : window->findChildren<QWidget *>()) {
                // A part that passes the focus on (a list's text field) is named, not told apart.
                const bool part = control->focusProxy();
                if (control->window() != window || !(control->focusPolicy() & Qt::TabFocus || qobject_cast<ClickLabel *>(control)))
                    continue;
                const QString name = spokenName(control), who = control->objectName();
                const auto *label = qobject_cast<const QLabel *>(control);
                // Click labels are what they do: a caption switches its row, the others press.
                if (label)
                    QCOMPARE(accessible(control)->role(), label->buddy() ? QAccessible::CheckBox : QAccessible::Button);
                QVERIFY2(!name.trimmed().isEmpty(), qPrintable(who));
                // A group's title says where a control is, not what it is.
                QVERIFY2(name != groupTitle(control), qPrintable(who + ": " + name));
                // A caption and its control share a name: one is the row's switch, one its value.
                const QString key = label && label->buddy() ? name + " (switch)" : name;
                QVERIFY2(part || !owners.contains(key), qPrintable(who + " and " + owners.value(key) + ": " + name));
                owners.insert(key, who);
            }
            QVERIFY(owners.size() > 110);
        }
    }

    void namesOfControlsWithoutCaption_data()
    {
        QTest::addColumn<bool>("onPicker");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        const QList<std::tuple<bool, const char *, const char *>> rows = {
            {false, "btnS2", "Select key for the Clock script"},  {false, "edtScript1", "FOV-Fixed Shooting script key"},
            {false, "edtSsmg", "Soldier Sub-Machine Gun key"},    {false, "btnS14", "Select key for the Covert Ops Sten"},
            {false, "Msmg", "Medic Sub-Machine Gun"},             {false, "memoOutput", "Config output"},
            {false, "CBTypeOfBind", "Select Type Of Bind"},       {false, "Label12", "Colour code ^7, white"},
            {true, "Button21", "Keypad 7"},                       {true, "Button98", "7"},
            {true, "Button62", "Right Shift"},                    {true, "Button20", "Keypad Minus"},
            {true, "Label4", "Right mouse button"},
        };
        for (const auto &[onPicker, control, name] : rows)
            QTest::newRow(control) << onPicker << QString(control) << QString(name);
    }

    void namesOfControlsWithoutCaption()
    {
        QFETCH(bool, onPicker);
        QFETCH(QString, control);
        QFETCH(QString, name);
        WindowFixture f;
        const QObject *root = onPicker ? static_cast<QObject *>(f.picker.get()) : f.window.get();
        QCOMPARE(spokenName(root->findChild<QWidget *>(control)), name);
    }

    // Through the reader's interfaces alone: each caption is its row's check box and names its
    // control, which carries the description; whatever switches a row, the reader is told.
    void captionsAreTheSwitchesOfTheirRows()
    {
        WindowFixture f;
        const QString toggle = QAccessibleActionInterface::toggleAction();
        for (int i = 0; i < SettingCount; ++i) {
            const TfrmBrackwell::RowWidgets &row = f.window->row(i);
            QAccessibleInterface *caption = accessible(row.caption), *control = accessible(row.control);
            const QString text = captionOf(i);
            const QString description = QString::fromLatin1(settingRows[i].description);
            // The caption is the switch, the box the value: never two check boxes read alike.
            QCOMPARE(spokenName(row.control), row.check ? text + " value" : text);
            QCOMPARE(control->relations(QAccessible::Label).value(0).first, caption);
            QCOMPARE(caption->role(), QAccessible::CheckBox);
            QCOMPARE(caption->text(QAccessible::Name), text + " switch");
            QCOMPARE(caption->text(QAccessible::Description), description);
            QVERIFY(caption->state().checkable && caption->state().checked);
            QCOMPARE(control->text(QAccessible::Description), description);

            caption->actionInterface()->doAction(toggle); // as a click does
            QVERIFY(!row.control->isEnabled());
            QCOMPARE(textColour(row.caption), red);
            QVERIFY(!caption->state().checked && control->state().disabled);
            QCOMPARE(control->text(QAccessible::Description), description.trimmed() + " (switched off)");
            QTest::mouseClick(row.caption, Qt::LeftButton);
            QVERIFY(caption->state().checked);
            QCOMPARE(control->text(QAccessible::Description), description);
            if (i % 3 == 0)
                caption->actionInterface()->doAction(toggle);
        }
        f.window->NewConfig1Click(); // switches rows without their captions
        for (int i = 0; i < SettingCount; ++i) {
            const TfrmBrackwell::RowWidgets &row = f.window->row(i);
            QCOMPARE(accessible(row.caption)->state().checked, row.control->isEnabled());
            QCOMPARE(accessible(row.control)->text(QAccessible::Description).endsWith("(switched off)"),
                     !row.control->isEnabled());
        }
        // The other click labels are buttons that a reader presses.
        accessible(f.get<QWidget>("Label3"))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(f.edit("edtPlayerName")->text(), "^1");
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
        const QString caption = captionOf(row);
        f.openTabOf(r.control);
        // Where Tab goes on from the box, and back, while it is on.
        r.control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focused(), Qt::Key_Tab);
        QWidget *after = focused();
        r.control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focused(), Qt::Key_Backtab);
        QWidget *before = focused();
        r.control->setFocus(Qt::TabFocusReason);
        const QString script = generate(f.window->readGenerationInput()).text;

        // Twice the same setting: off and on again, heard each time, the focus on the row.
        QTest::keyClick(focused(), Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(!r.control->isEnabled());
        QCOMPARE(textColour(r.caption), red);
        QCOMPARE(focused(), r.caption);
        QCOMPARE_HEARD(caption + " switched off");
        QTest::keyClick(focused(), Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(r.control->isEnabled() && r.control->hasFocus());
        QCOMPARE_HEARD(caption + " switched on");
        // Once the focus has gone on, the caption says what it said before.
        QTRY_COMPARE(accessible(r.caption)->text(QAccessible::Description), QString::fromLatin1(settingRows[row].description));

        // Off, the switch keeps the box's place in the Tab order, and Space on it switches.
        QTest::keyClick(focused(), Qt::Key_Space, Qt::ControlModifier);
        QTest::keyClick(focused(), Qt::Key_Tab);
        QCOMPARE(focused(), after);
        r.caption->setFocus();
        QTest::keyClick(focused(), Qt::Key_Backtab);
        QCOMPARE(focused(), before);
        r.caption->setFocus();
        QTest::keyClick(focused(), Qt::Key_Space);
        QVERIFY(r.control->isEnabled() && r.control->hasFocus());
        QTest::keyClick(focused(), Qt::Key_Space, Qt::ControlModifier);

        // Back on through the page's menu: the page's settings, each ticked while it is on.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QWidget *page = f.get<QTabWidget>("PC1")->currentWidget();
        QSet<QString> expected, items;
        for (int i = 0; i < SettingCount; ++i) {
            if (page->isAncestorOf(f.window->row(i).control))
                expected << QString::fromLatin1(settingRows[i].captionText);
        }
        for (const QAction *action : menu->actions()) {
            items << action->text();
            QCOMPARE(action->isCheckable() && action->isChecked(), action->text() != caption);
        }
        QCOMPARE(items, expected);
        for (int steps = 0; menu->activeAction()->text() != caption && steps < SettingCount; ++steps)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_VERIFY(!menu->isVisible());
        QVERIFY(r.control->isEnabled() && r.control->hasFocus());
        QCOMPARE_HEARD(caption + " switched on");
        QCOMPARE(generate(f.window->readGenerationInput()).text, script);

        // A reader's Toggle on the caption while the focus is in the box: the same.
        accessible(r.caption)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(focused(), r.caption);
        QCOMPARE_HEARD(caption + " switched off");
        QTest::keyClick(focused(), Qt::Key_Space, Qt::ControlModifier);

        // A page without settings has no menu, and Ctrl+Space there switches nothing.
        QWidget *clock = f.get<QWidget>("CBClock");
        f.openTabOf(clock);
        clock->setFocus();
        QTest::keyClick(clock, Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(clock, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(!QApplication::activePopupWidget() && !f.check("CBClock")->isChecked());
    }

    // Every list says its caption first, then its value: also where Qt's own list gives its value
    // as its name.
    void everyListIsNamedByItsCaption()
    {
        WindowFixture f;
        const QList<QComboBox *> lists = f.window->findChildren<QComboBox *>();
        QCOMPARE(lists.size(), 16);
        for (QComboBox *list : lists) {
            QString caption;
            for (const QLabel *label : f.window->findChildren<QLabel *>()) {
                if (label->buddy() == list)
                    caption = label->text();
            }
            QAccessibleInterface *reader = accessible(list);
            QVERIFY2(!caption.isEmpty(), qPrintable(list->objectName()));
            QCOMPARE(reader->role(), QAccessible::ComboBox);
            QCOMPARE(reader->text(QAccessible::Name), caption);
            QCOMPARE(reader->text(QAccessible::Value), list->currentText());
            QCOMPARE(reader->child(0)->object(), list->lineEdit());
        }
        QComboBox *fps = f.combo("CBFPS2");
        f.typeInto(fps, "100");
        QAccessibleInterface *reader = accessible(fps);
        QCOMPARE(reader->text(QAccessible::Name), "Maximum Frames Per Second");
        QCOMPARE(reader->text(QAccessible::Value), "100");
        // A reader opens it as a user does, and meets the open list in it.
        QVERIFY(!reader->state().expanded);
        reader->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
        QVERIFY(reader->state().expanded);
        QCOMPARE(reader->childCount(), 2);
        QCOMPARE(reader->child(1)->role(), QAccessible::List);
        fps->hidePopup();
    }

    // The bars are progress bars that say how high they stand between "Low" and "High", in tenths
    // of the axis; Create Config tells what the box and the bars now show.
    void barsSayWhatTheyShow()
    {
        WindowFixture f;
        auto *quality = f.get<MeterBar>("shpQuality");
        QAccessibleInterface *q = accessible(quality), *r = accessible(f.get<MeterBar>("shpFPS"));
        QCOMPARE(q->role(), QAccessible::ProgressBar);
        QCOMPARE(q->text(QAccessible::Name), "Quality");
        QCOMPARE(r->text(QAccessible::Name), "Relative FPS");
        QCOMPARE(q->text(QAccessible::Value), "0 of 10");

        auto *create = f.get<QPushButton>("btnCreate");
        f.openTabOf(create);
        create->setFocus(Qt::TabFocusReason);
        QTest::keyClick(create, Qt::Key_Space);
        // The first settings make 214 and 106 of the axis' 225 pixels, the first pixel hidden.
        QCOMPARE(q->text(QAccessible::Value), "9 of 10");
        QCOMPARE(r->text(QAccessible::Value), "5 of 10");
        QCOMPARE(q->valueInterface()->currentValue().toInt(), 9);
        QCOMPARE(q->valueInterface()->maximumValue().toInt(), 10);
        const qsizetype lines = f.outputText().count("\r\n");
        QCOMPARE_HEARD(QString("Config created, %1 lines. Quality 9 of 10, relative FPS 5 of 10.").arg(lines));

        // Tenths rounded: the whole axis, just under and over half a tenth, below the baseline.
        const QList<QPair<int, QString>> heights = {{-225, "10 of 10"}, {-300, "10 of 10"}, {-11, "0 of 10"},
                                                    {-12, "1 of 10"},   {-112, "5 of 10"},  {5, "0 of 10"}};
        for (const auto &[h, said] : heights) {
            quality->setSignedHeight(h);
            QCOMPARE(q->text(QAccessible::Value), said);
        }
    }

    void pagesAreNamedAndTheTabShownIsHeard()
    {
        WindowFixture f;
        auto *tabs = f.get<QTabWidget>("PC1");
        const QStringList captions = {"Stage 1", "Stage 2", "Scripts", "Class Selector", "Config Output",
                                      "Extra Binds/Other CVARs"};
        QCOMPARE(tabs->count(), captions.size());
        for (int t = 0; t < tabs->count(); ++t)
            QCOMPARE(accessible(tabs->widget(t))->text(QAccessible::Name), captions[t]);

        f.showActive();
        QWidget *name = f.edit("edtPlayerName");
        name->setFocus(Qt::TabFocusReason);
        QTest::keyClick(name, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE_HEARD("Stage 2 tab");
        // The description bar stands outside the tabs; Ctrl+Tab works there too.
        QWidget *bar = f.edit("edtDescription");
        bar->setFocus(Qt::TabFocusReason);
        QTest::keyClick(bar, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 2);
        QVERIFY(bar->hasFocus());
        QCOMPARE_HEARD("Scripts tab");
        QTest::keyClick(bar, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE_HEARD("Stage 2 tab");
        // Ctrl+I in a setting's box tells its description, which the mouse finds on the caption.
        QWidget *lod = f.combo("CBLodBias");
        lod->setFocus(Qt::TabFocusReason);
        QTest::keyClick(lod, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE_HEARD("Sets level of geometric detail. 0 = high detail. 2 = lowest detail.");
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), "Sets level of geometric detail. 0 = high detail. 2 = lowest detail.");
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
        // The marks as the mouse finds them: where each starts and its tip.
        QList<QPair<int, QString>> marks;
        for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
            for (const LineMark &mark : OutputHighlighter::shown(block).marks)
                marks.append({block.position() + mark.start, OutputHighlighter::tipsAt(block, mark.start).join('\n')});
        }
        QCOMPARE(marks.size(), 2);
        auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            QTest::keyClick(box, key, modifiers);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };

        QCOMPARE(press(Qt::Key_I, Qt::ControlModifier), "Nothing is marked here.");
        for (int step : {0, 1, 0}) { // round the box
            QCOMPARE(press(Qt::Key_F8, Qt::NoModifier), marks[step].second);
            QCOMPARE(box->textCursor().position(), marks[step].first);
            QCOMPARE(reader->text(QAccessible::Description), marks[step].second);
        }
        QCOMPARE(press(Qt::Key_F8, Qt::ShiftModifier), marks[1].second);
        QCOMPARE(box->textCursor().position(), marks[1].first);
        // The tip asked for stays readable while the cursor is on the mark, and only then.
        QTest::keyClick(box, Qt::Key_Right);
        QCOMPARE(reader->text(QAccessible::Description), marks[1].second);
        QTest::keyClick(box, Qt::Key_End); // at the end of a marked stretch
        QCOMPARE(reader->text(QAccessible::Description), marks[1].second);
        QCOMPARE(press(Qt::Key_I, Qt::ControlModifier), marks[1].second);
        QTest::keyClick(box, Qt::Key_Down);
        // Left, the mark says nothing, and the keys are not read out again.
        QCOMPARE(reader->text(QAccessible::Description), QString());
        // They are said again with the box when the focus comes back to it.
        f.get<QWidget>("btnCreate")->setFocus(Qt::TabFocusReason);
        box->setFocus(Qt::BacktabFocusReason);
        QCOMPARE(reader->text(QAccessible::Description), hint);
        box->clear();
        QCOMPARE(press(Qt::Key_F8, Qt::NoModifier), "Nothing is marked.");
    }

    void pickerIsUsedFromTheKeyboardAlone()
    {
        WindowFixture f;
        TForm3 *picker = f.picker.get();
        f.clickButton("btnS2");
        picker->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(picker));
        // Tab goes round every key that can be chosen, the mouse's buttons and OK.
        QSet<QString> reached;
        QWidget *first = f.onPicker<QWidget>(pickerKeys[0].control);
        first->setFocus(Qt::TabFocusReason);
        do {
            reached.insert(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        } while (QApplication::focusWidget() != first && reached.size() <= PickerKeyCount);
        for (int i = 0; i < PickerKeyCount; ++i)
            QCOMPARE(reached.contains(pickerKeys[i].control), pickerKeys[i].name != nullptr);
        QVERIFY(reached.contains("btnKeyOK"));

        const Qt::Key presses[] = {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter};
        for (int i = 0; i < MouseButtonCount; ++i) {
            QWidget *button = f.onPicker<QWidget>(pickerKeys[KeyboardKeyCount + i].control);
            button->setFocus(Qt::TabFocusReason);
            QTest::keyClick(button, presses[i]);
            QCOMPARE(f.onPicker<QLineEdit>("edtKey")->text(), pickerKeys[KeyboardKeyCount + i].name);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); // as the close control: nothing written
        QVERIFY(!picker->isVisible());
        QCOMPARE(f.edit("edtScript2")->text(), "F9");
    }

    // Right walks each row of keys left to right as the picker draws them, over the keys that can
    // be chosen, those two rows high included; Up and Down keep to the column.
    void arrowKeysMoveBetweenTheKeysAsTheyLie()
    {
        WindowFixture f;
        showPicker(f, "btnS1");
        for (const int top : {8, 56, 88, 120, 152, 184}) {
            const int middle = top + 16;
            QList<const PickerKey *> row;
            for (int i = 0; i < KeyboardKeyCount; ++i) {
                const PickerKey &key = pickerKeys[i];
                if (key.name && key.y <= middle && key.y + key.height > middle)
                    row << &key;
            }
            std::sort(row.begin(), row.end(), [](const PickerKey *a, const PickerKey *b) { return a->x < b->x; });
            QStringList expected, walked;
            for (const PickerKey *key : row)
                expected << key->control;
            f.onPicker<QWidget>(row[0]->control)->setFocus(Qt::TabFocusReason);
            walked << focused()->objectName();
            for (int step = 1; step < row.size(); ++step) {
                QTest::keyClick(focused(), Qt::Key_Right);
                walked << focused()->objectName();
            }
            QCOMPARE(walked, expected);
            QTest::keyClick(focused(), Qt::Key_Right); // the row's end
            QCOMPARE(focused()->objectName(), expected.last());
        }
        // Down from Q, then Up again; from Home (End below cannot be chosen) to the Up arrow.
        const QList<std::tuple<const char *, Qt::Key, const char *>> moves = {
            {"Button107", Qt::Key_Down, "Button94"}, {"Button94", Qt::Key_Up, "Button107"},
            {"Button47", Qt::Key_Down, "Button32"},  {"Button32", Qt::Key_Down, "Button38"},
            {"Button73", Qt::Key_Up, "Button81"},    {"Button73", Qt::Key_Down, "btnKeyOK"},
        };
        for (const auto &[from, key, to] : moves) {
            f.onPicker<QWidget>(from)->setFocus(Qt::TabFocusReason);
            QTest::keyClick(focused(), key);
            QCOMPARE(focused()->objectName(), QString(to));
        }
    }

    // Typing a key's name, or pressing a key that types nothing, goes to that key; Space chooses
    // it, as a click, and the choice is heard.
    void typingOrPressingAKeyGoesToIt()
    {
        WindowFixture f;
        showPicker(f, "btnS3");
        auto *chosen = f.onPicker<QLineEdit>("edtKey");
        f.onPicker<QWidget>("Button1")->setFocus(Qt::TabFocusReason);
        const QList<std::tuple<QString, Qt::Key, Qt::KeyboardModifiers, const char *, const char *>> presses = {
            {"k", Qt::Key_unknown, {}, "Button71", "k"},
            {"f10", Qt::Key_unknown, {}, "Button11", "F10"},
            {"space", Qt::Key_unknown, {}, "Button73", "space"},
            {"kp_5", Qt::Key_unknown, {}, "Button26", "kp_5"},
            {"mouse3", Qt::Key_unknown, {}, "Label3", "mouse3"},
            {"1", Qt::Key_unknown, {}, "Button104", "1"},
            {"", Qt::Key_F5, {}, "Button6", "F5"},
            {"", Qt::Key_Insert, {}, "Button46", "ins"},
            {"", Qt::Key_1, Qt::KeypadModifier, "Button29", "kp_end"},
            {"", Qt::Key_PageUp, Qt::KeypadModifier, "Button23", "kp_pgup"},
        };
        for (const auto &[typed, key, modifiers, control, name] : presses) {
            if (typed.isEmpty())
                QTest::keyClick(focused(), key, modifiers);
            else
                QTest::keyClicks(focused(), typed);
            QCOMPARE(focused()->objectName(), QString(control));
            QVERIFY(chosen->text() != name); // going there chooses nothing
            QTest::keyClick(focused(), Qt::Key_Space);
            QCOMPARE(chosen->text(), QString(name));
            QCOMPARE_HEARD(QString("Chosen key: %1").arg(name));
        }
        QTest::keyClick(focused(), Qt::Key_Return, Qt::ControlModifier); // OK from wherever
        QVERIFY(!f.picker->isVisible());
        QCOMPARE(f.edit("edtScript3")->text(), "kp_pgup");
    }

    // A script's check box, key box and Select Key button side by side, and the same for the class
    // binds; the Tab order stays as the window has it.
    void keyedRowsGoAlongWithArrowKeys()
    {
        WindowFixture f;
        QWidget *fov = f.check("CBFovScript"), *key = f.edit("edtScript1"), *select = f.get<QWidget>("btnS1");
        f.openTabOf(fov);
        fov->setFocus(Qt::TabFocusReason);
        pressAlong({{Qt::Key_Tab, f.check("CBClock")}});
        fov->setFocus(Qt::TabFocusReason);
        // In the key box the arrows move in the text first, and leave it at its ends.
        pressAlong({{Qt::Key_Right, key}, {Qt::Key_Left, key}, {Qt::Key_Right, key}, {Qt::Key_Right, select},
                    {Qt::Key_Left, key}, {Qt::Key_Home, key}, {Qt::Key_Left, fov}});
        // Alt+Down or F4 in a key box opens the picker for it, as its Select Key button does.
        key->setFocus();
        QTest::keyClick(key, Qt::Key_F4);
        QVERIFY(f.picker->isVisible());
        QCOMPARE(f.picker->keySlot(), 1);
        f.picker->hide();
        QLineEdit *medic = f.edit("edtMsmg");
        f.openTabOf(medic);
        medic->setFocus();
        QTest::keyClick(medic, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(f.picker->keySlot(), 10);
    }

    // Enter goes from field to field of a free bind in the order they depend on each other, the bind
    // type first; Tab keeps the window's order.
    void enterGoesThroughAFreeBindFromItsType()
    {
        WindowFixture f;
        QComboBox *type = f.combo("CBTypeOfBind");
        QWidget *key = f.edit("edtKeyToBind"), *text = f.edit("edtBindInput"), *add = f.get<QWidget>("btnAddBind");
        f.openTabOf(type);
        type->setFocus(Qt::TabFocusReason);
        pressAlong({{Qt::Key_Down, type}}); // the first type: a say bind
        QCOMPARE(type->currentIndex(), 0);
        // Past the voice list, which a say bind leaves off.
        pressAlong({{Qt::Key_Return, key}, {Qt::Key_Return, text, "k"}, {Qt::Key_Return, add, "hi"}, {Qt::Key_Return, add}});
        QVERIFY(f.outputText().endsWith("bind k say hi\r\n"));
        key->setFocus(Qt::TabFocusReason);
        pressAlong({{Qt::Key_Tab, text}});
    }

    // A box's details are a Tab stop with a text cursor, and showing them goes there.
    void detailsOfABoxAreReadFromTheKeyboard()
    {
        applicationSetup();
        const std::unique_ptr<QMessageBox> box = makeMessageBox(QMessageBox::NoIcon, "Opened", QMessageBox::Ok, nullptr);
        setReadableDetails(*box, "line one\nline two");
        box->show();
        QVERIFY(QTest::qWaitForWindowActive(box.get()));
        auto *details = box->findChild<QTextEdit *>();
        QAbstractButton *toggle = nullptr;
        for (QAbstractButton *button : box->findChildren<QAbstractButton *>()) {
            if (box->buttonRole(button) == QMessageBox::ActionRole)
                toggle = button;
        }
        QVERIFY(details && toggle && !details->isVisible());
        toggle->setFocus(Qt::TabFocusReason);
        QTest::keyClick(toggle, Qt::Key_Space);
        QVERIFY(details->isVisible() && details->hasFocus());
        QAccessibleInterface *reader = accessible(details);
        QCOMPARE(reader->text(QAccessible::Name), "Details");
        QAccessibleTextInterface *text = reader->textInterface();
        QCOMPARE(text->text(0, text->characterCount()), "line one\nline two");
        QTest::keyClick(details, Qt::Key_Down); // read line by line
        QCOMPARE(details->textCursor().blockNumber(), 1);
        QSet<QWidget *> reached;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(focused(), Qt::Key_Tab);
            reached << focused();
        }
        QVERIFY(reached.contains(details) && reached.contains(toggle));
        toggle->setFocus(Qt::TabFocusReason);
        QTest::keyClick(toggle, Qt::Key_Space);
        QVERIFY(!details->isVisible() && toggle->hasFocus());
    }

    // The save's result is heard where the focus is once the box has gone.
    void theSavesResultIsHeard()
    {
        WindowFixture f;
        QTemporaryDir folder;
        f.desktop.answerSaveDialog(folder.filePath("autoexec.cfg"));
        auto *save = f.get<QPushButton>("btnSelectDestination");
        f.openTabOf(save);
        save->setFocus(Qt::TabFocusReason);
        QTest::keyClick(save, Qt::Key_Space);
        QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Message), "Config File Saved");
        QCOMPARE_HEARD("Config File Saved");
    }

private:
    // Keys pressed one by one where the focus is, each after typing its text, and where the focus
    // goes with each.
    struct Press {
        Qt::Key key;
        QWidget *focusAfter;
        QString typedBefore = {};
    };
    static void pressAlong(const QList<Press> &presses)
    {
        for (const Press &press : presses) {
            if (!press.typedBefore.isEmpty())
                QTest::keyClicks(focused(), press.typedBefore);
            QTest::keyClick(focused(), press.key);
            QCOMPARE(focused(), press.focusAfter);
        }
    }

    static void showPicker(WindowFixture &f, const char *selectKey)
    {
        f.clickButton(selectKey);
        f.picker->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.picker.get()));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
