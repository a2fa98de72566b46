#include "app/startup.h"
#include "console/keynames.h"
#include "script/slottable.h"
#include "support/testfiles.h"
#include "support/windowfixture.h"
#include "gui/clicklabel.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace brackwell;

namespace {

void selectKey(const WindowFixture &f, int slot)
{
    f.get<QPushButton>(qPrintable(QStringLiteral("btnS%1").arg(slot)))->click();
}

// With the mouse, as the user does: the mouse buttons are labels, not buttons.
void clickKey(const WindowFixture &f, const QString &control)
{
    QWidget *key = f.onPicker<QWidget>(qPrintable(control));
    QVERIFY2(key, qPrintable(control));
    QTest::mouseClick(key, Qt::LeftButton);
}

QString pickedKey(const WindowFixture &f)
{
    return f.onPicker<QLineEdit>("edtKey")->text();
}

QMap<QString, QString> slotTexts(const WindowFixture &f)
{
    QMap<QString, QString> texts;
    for (const KeySlot &slot : keySlots())
        texts[slot.edit] = f.edit(qPrintable(slot.edit))->text();
    return texts;
}

// A file of the player's, opened with File > Open Config, the open's message taken away.
struct OpenedFixture : WindowFixture {
    OpenedFixture()
    {
        machine.driveRoot = machine.home = machine.documents = drive.path();
        showActive();
        writeAll(drive.filePath("mine.cfg"), "// mine\r\nbind y +sprint\r\nunbindall\r\nbind H dropobj\r\nbind kp_5 \"class c 1; "
                                             "echo Cov. Op. - Sten;\"\r\nbind x a\r\nunbind X\r\nbind MOUSE2 +zoom\r\n");
        desktop.answerOpenDialog(drive.filePath("mine.cfg"));
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        desktop.shown.clear();
    }
    QTemporaryDir drive;
};

// The picker's tips by key name; a key is tinted exactly where it has one.
QMap<QString, QString> keyTips(const WindowFixture &f)
{
    QMap<QString, QString> tips;
    for (const PickerKey &key : pickerKeys) {
        const QWidget *control = f.onPicker<QWidget>(key.control);
        if (!control->toolTip().isEmpty())
            tips.insert(QString::fromLatin1(key.name), control->toolTip());
        if (control->styleSheet().isEmpty() != control->toolTip().isEmpty())
            QTest::qFail(key.control, __FILE__, __LINE__);
    }
    return tips;
}

} // namespace

class TestKeyPicker : public QObject
{
    Q_OBJECT

private slots:
    void pickerStartsHiddenAsDesigned()
    {
        WindowFixture f;
        const TForm3 *picker = f.picker.get();
        QCOMPARE(picker->objectName(), "Form3");
        QVERIFY(!picker->isVisible());
        QVERIFY(!picker->parent()); // a window of its own: its Label1..Label5 are not the main window's
        QCOMPARE(picker->keySlot(), 0);
        QCOMPARE(picker->windowTitle(), "Bindable Keys Keyboard");
        QCOMPARE(picker->geometry().size(), QSize(983, 435));
        QCOMPARE(picker->pos(), QPoint(136, 245));
        QCOMPARE(f.onPicker<QWidget>("Button73")->font().pixelSize(), 11);
        QVERIFY(f.onPicker<QLineEdit>("edtKey")->isReadOnly());
        QCOMPARE(pickedKey(f), QString());
    }

    void everyKeyIsDrawnReadablyAsTheTableSays()
    {
        WindowFixture f;
        f.picker->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.picker.get()));
        int buttons = 0;
        for (const QPushButton *button : f.picker->findChildren<QPushButton *>())
            buttons += button->objectName().startsWith("Button");
        QCOMPARE(buttons, KeyboardKeyCount);
        for (int i = 0; i < PickerKeyCount; ++i) {
            const PickerKey &key = pickerKeys[i];
            QWidget *widget = f.onPicker<QWidget>(key.control);
            QVERIFY2(widget, key.control);
            QCOMPARE(widget->metaObject()->className(), isMouseButton(i) ? "ClickLabel" : "QPushButton");
            QCOMPARE(widget->geometry(), QRect(key.x, key.y, key.width, key.height));
            QCOMPARE(widget->isEnabled(), key.name != nullptr);
            const auto *label = qobject_cast<QLabel *>(widget);
            const QString text = label ? label->text() : qobject_cast<QPushButton *>(widget)->text();
            QCOMPARE(text, QString::fromLatin1(key.caption));
            QVERIFY2(widget->fontMetrics().horizontalAdvance(text) <= widget->width() - (label ? 0 : 4), key.control);
        }
        // The mouse's captions lie on its drawing and must stay above it.
        for (QLabel *label : f.picker->findChildren<QLabel *>()) {
            QVERIFY2(f.picker->childAt(label->geometry().center()) == label, qPrintable(label->objectName()));
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                     qPrintable(label->objectName()));
        }
    }

    void everyLiveKeyWritesItsNameAndDisabledKeysNothing()
    {
        WindowFixture f;
        selectKey(f, 1);
        QVERIFY(QTest::qWaitForWindowExposed(f.picker.get()));
        QString last;
        for (const PickerKey &key : pickerKeys) {
            clickKey(f, key.control);
            if (key.name)
                last = QString::fromLatin1(key.name);
            QCOMPARE(pickedKey(f), last);
        }
        QCOMPARE(f.edit("edtScript1")->text(), "mouse1"); // picking alone writes nowhere
    }

    void everySelectKeyButtonFillsItsOwnBox()
    {
        WindowFixture f;
        // A different key for each slot, none the default of its own box, so each fill is seen.
        QStringList keys;
        for (int i = 2; i <= 13; ++i)
            keys << QStringLiteral("Button%1").arg(i);
        keys << "Label2" << "Label3" << "Label4" << "Button1" << "Button104";
        for (const KeySlot &slot : keySlots()) {
            QMap<QString, QString> expected = slotTexts(f);
            selectKey(f, slot.number);
            QVERIFY(f.picker->isVisible());
            clickKey(f, keys[slot.number - 1]);
            QVERIFY(pickedKey(f) != expected[slot.edit]);
            expected[slot.edit] = pickedKey(f);
            f.onPicker<QPushButton>("btnKeyOK")->click();
            QVERIFY(!f.picker->isVisible());
            QCOMPARE(slotTexts(f), expected);
        }
    }

    // Steps: "S<n>" presses Select Key n, "OK" the picker's OK, "close" its close box, "show" shows it
    // without a slot; anything else clicks that key.
    void okWritesTheLastPickIntoTheLastSelectedBox_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("changes"); // box=text ..., all other slot boxes unchanged
        QTest::addColumn<bool>("open");
        QTest::newRow("only the last click counts") << "S2 Button107 Button37 OK" << "edtScript2=leftarrow" << false;
        QTest::newRow("OK before any click") << "S2 OK" << "edtScript2=" << false;
        QTest::newRow("a pick carries over") << "S1 Button10 OK S5 OK" << "edtScript1=F9 edtSsmg=F9" << false;
        QTest::newRow("a later Select Key redirects OK") << "S3 S7 Button26 OK" << "edtSflamer=kp_5" << false;
        QTest::newRow("closing keeps pick and slot") << "S4 Button10 close show OK" << "edtScript4=F9" << false;
        QTest::newRow("without a slot OK stays open") << "show Button2 OK" << "" << true;
        QTest::newRow("slot 17 fills the disabled box") << "S17 Button71 OK" << "edtKeyToBind=k" << false;
    }

    void okWritesTheLastPickIntoTheLastSelectedBox()
    {
        QFETCH(QString, steps);
        QFETCH(QString, changes);
        QFETCH(bool, open);
        WindowFixture f;
        QMap<QString, QString> expected = slotTexts(f);
        for (const QString &change : changes.split(u' ', Qt::SkipEmptyParts))
            expected[change.section(u'=', 0, 0)] = change.section(u'=', 1);
        for (const QString &step : steps.split(u' ')) {
            if (step == "OK")
                f.onPicker<QPushButton>("btnKeyOK")->click();
            else if (step == "close")
                QVERIFY(f.picker->close());
            else if (step == "show")
                f.picker->showPicker();
            else if (step.startsWith(u'S'))
                selectKey(f, step.mid(1).toInt());
            else
                clickKey(f, step);
        }
        QCOMPARE(slotTexts(f), expected);
        QCOMPARE(f.picker->isVisible(), open);
    }

    void onlyTheMainWindowEndsTheProgram()
    {
        WindowFixture f;
        f.window->show();
        selectKey(f, 1);
        bool pickerClosedFirst = false, timedOut = false;
        QTimer::singleShot(0, f.picker.get(), [&] {
            f.picker->close();
            QTimer::singleShot(0, f.window.get(), [&] {
                pickerClosedFirst = true;
                selectKey(f, 1); // the picker open again
                f.window->close();
            });
        });
        QTimer::singleShot(5000, qApp, [&] {
            timedOut = true;
            qApp->exit(1);
        });
        QCOMPARE(qApp->exec(), 0);
        QVERIFY(pickerClosedFirst);
        QVERIFY(!timedOut);
    }

    void bindTypeSwitchesTheInputs_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("chat");
        QTest::addColumn<bool>("voice");
        QTest::newRow("say") << 0 << true << false;
        QTest::newRow("vsay") << 1 << false << true;
        QTest::newRow("say and vsay") << 2 << true << true;
    }

    void bindTypeSwitchesTheInputs()
    {
        QFETCH(int, type);
        QFETCH(bool, chat);
        QFETCH(bool, voice);
        WindowFixture f;
        QWidget *group = f.get<QWidget>("GBBinds");
        auto check = [&] {
            for (const char *name : {"lblKeyToBind", "edtKeyToBind", "btnAddBind", "btnS17"})
                QVERIFY2(f.get<QWidget>(name)->isEnabled(), name);
            for (const char *name : {"lblEnterBind", "edtBindInput"})
                QCOMPARE(f.get<QWidget>(name)->isEnabled(), chat);
            for (const char *name : {"lblVsayInput", "CBVSayInput"})
                QCOMPARE(f.get<QWidget>(name)->isEnabled(), voice);
            for (const char *name : {"lblAttention1", "lblAttention2", "lblAttention3"})
                QCOMPARE(f.get<QWidget>(name)->isVisibleTo(group), chat && voice);
        };
        // From every other type, so each control is seen to switch both ways.
        for (int from : {0, 1, 2}) {
            f.combo("CBTypeOfBind")->setCurrentIndex(from);
            f.combo("CBTypeOfBind")->setCurrentIndex(type);
            check();
        }
        // Leaving no entry selected changes nothing.
        f.combo("CBTypeOfBind")->setCurrentIndex(-1);
        check();
    }

    // Typed text chooses the entry it spells exactly; any other text leaves none chosen, and then
    // nothing switches and "Add bind to config" adds nothing and says nothing.
    void bindTypeFollowsItsTypedText()
    {
        WindowFixture f;
        QComboBox *type = f.combo("CBTypeOfBind");
        f.typeInto(type, "\"Say\" Binds");
        QCOMPARE(type->currentIndex(), 0);
        f.typeInto(f.edit("edtKeyToBind"), "k");
        QVERIFY(f.edit("edtBindInput")->isEnabled());
        QVERIFY(!f.combo("CBVSayInput")->isEnabled());
        f.typeInto(f.edit("edtBindInput"), "hello");

        f.typeInto(type, "zzz");
        QCOMPARE(type->currentIndex(), -1);
        QCOMPARE(type->currentText(), "zzz");
        QVERIFY(f.edit("edtBindInput")->isEnabled()); // no control changes
        f.clickButton("btnAddBind");
        QVERIFY(f.output()->document()->isEmpty());
        QVERIFY(f.desktop.shown.isEmpty());
        QCOMPARE(type->currentText(), "zzz");

        // Typing on, character by character, into an entry's exact text chooses that entry.
        f.typeInto(type, "\"VSay\" Binds");
        QCOMPARE(type->currentIndex(), 1);
        QCOMPARE(type->currentText(), "\"VSay\" Binds");
        QVERIFY(!f.edit("edtBindInput")->isEnabled());
        QVERIFY(f.combo("CBVSayInput")->isEnabled());

        // Emptied, nothing is chosen; the caret stays where the user is typing.
        f.typeInto(type, "");
        QCOMPARE(type->currentIndex(), -1);
        QTest::keyClicks(type->lineEdit(), "\"Say\" and");
        QCOMPARE(type->currentText(), "\"Say\" and");
        QCOMPARE(type->lineEdit()->cursorPosition(), 9);
        QVERIFY(f.combo("CBVSayInput")->isEnabled());
    }

    void addBindAppendsItsLineAndEmptiesTheInputsItUsed_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("voiceAfter");
        QTest::newRow("say") << 0 << "bind k say hi" << "\"vsay Medic\"";
        QTest::newRow("vsay") << 1 << "bind k \"vsay Medic\"" << "";
        QTest::newRow("say and vsay") << 2 << "bind k \"\"vsay Medic\" hi\"" << "";
    }

    void addBindAppendsItsLineAndEmptiesTheInputsItUsed()
    {
        QFETCH(int, type);
        QFETCH(QString, line);
        WindowFixture f;
        f.create();
        const QString script = f.outputText();
        f.combo("CBTypeOfBind")->setCurrentIndex(type);
        f.edit("edtKeyToBind")->setText("k");
        f.edit("edtBindInput")->setText("hi");
        f.combo("CBVSayInput")->setCurrentIndex(10);
        f.get<QPushButton>("btnAddBind")->click();
        QVERIFY(f.desktop.shown.isEmpty());
        QCOMPARE(f.outputText(), script + line + "\r\n");
        QCOMPARE(f.edit("edtKeyToBind")->text(), QString());
        QCOMPARE(f.edit("edtBindInput")->text(), QString());
        QTEST(f.combo("CBVSayInput")->currentText(), "voiceAfter");
        QCOMPARE(f.combo("CBTypeOfBind")->currentIndex(), type);
    }

    void aMissingInputShowsTheMessageAndChangesNothing_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("chat");
        QTest::addColumn<QString>("voice");
        QTest::newRow("say, no key") << 0 << "" << "hi" << "";
        QTest::newRow("vsay, no voice") << 1 << "k" << "hi" << "";
        QTest::newRow("both, no text") << 2 << "k" << "" << "\"vsay Medic\"";
        QTest::newRow("no type") << -1 << "k" << "hi" << "\"vsay Medic\"";
    }

    void aMissingInputShowsTheMessageAndChangesNothing()
    {
        QFETCH(int, type);
        QFETCH(QString, key);
        QFETCH(QString, chat);
        QFETCH(QString, voice);
        WindowFixture f;
        f.output()->setPlainText("x\n");
        f.combo("CBTypeOfBind")->setCurrentIndex(2);
        f.combo("CBTypeOfBind")->setCurrentIndex(type);
        f.edit("edtKeyToBind")->setText(key);
        f.edit("edtBindInput")->setText(chat);
        f.combo("CBVSayInput")->setEditText(voice);
        f.get<QPushButton>("btnAddBind")->click();
        if (type < 0)
            QVERIFY(f.desktop.shown.isEmpty()); // nothing chosen, nothing to complain about
        else
            QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Message), "Insufficient data entered");
        QCOMPARE(f.output()->toPlainText(), "x\n");
        QCOMPARE(f.edit("edtKeyToBind")->text(), key);
        QCOMPARE(f.edit("edtBindInput")->text(), chat);
        QCOMPARE(f.combo("CBVSayInput")->currentText(), voice);
    }

    void addCustomAppendsASetaLineOnALineOfItsOwn()
    {
        WindowFixture f;
        auto add = [&f](const QString &name, const QString &value) {
            f.edit("edtCustomInput")->setText(name);
            f.edit("edtValue")->setText(value);
            f.get<QPushButton>("btnAddCustom")->click();
        };
        f.output()->setPlainText("// typed, no line break");
        add("cg_fov", "100");
        add("r_x", "a b");
        QVERIFY(f.desktop.shown.isEmpty());
        QCOMPARE(f.output()->toPlainText(), "// typed, no line break\nseta cg_fov 100\nseta r_x a b");
        QCOMPARE(f.edit("edtCustomInput")->text(), QString());
        QCOMPARE(f.edit("edtValue")->text(), QString());

        for (const auto &[name, value] : {std::pair{"", "100"}, std::pair{"cg_fov", ""}}) {
            add(name, value);
            QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Message), "Insufficient data entered");
            QVERIFY(f.output()->toPlainText().endsWith("seta r_x a b"));
            QCOMPARE(f.edit("edtCustomInput")->text(), name);
            QCOMPARE(f.edit("edtValue")->text(), value);
        }

        // The output box is the only store of added lines.
        f.create();
        QVERIFY(!f.outputText().contains("seta cg_fov 100"));
    }

    void voiceListHoldsTheGamesVoiceCommands()
    {
        const QStringList chats = QStringLiteral(
            "PathCleared EnemyWeak AllClear Incoming FireInTheHole OnDefense OnOffense TakingFire MinesCleared "
            "EnemyDisguised Medic NeedAmmo NeedBackup NeedEngineer CoverMe HoldFire WhereTo NeedOps FollowMe LetsGo "
            "Move ClearPath DefendObjective DisarmDynamite ClearMines ReinforceOffense ReinforceDefense Affirmative "
            "Negative Thanks Welcome Sorry Oops Hi Bye GreatShot Cheer GoodGame IamEngineer IamMedic IamFieldOps "
            "IamSoldier CommandAcknowledged CommandDeclined CommandCompleted DestroyPrimary DestroySecondary "
            "DestroyConstruction ConstructionCommencing RepairVehicle DestroyVehicle EscortVehicle").split(u' ');
        const QStringList notForTheTeam = {"Hi", "Bye", "GreatShot", "Cheer", "GoodGame"};
        QStringList expected;
        for (const QString &chat : chats)
            expected << "\"vsay " + chat + "\"";
        for (const QString &chat : chats) {
            if (!notForTheTeam.contains(chat))
                expected << "\"vsay_team " + chat + "\"";
        }
        WindowFixture f;
        QStringList entries;
        for (int i = 0; i < f.combo("CBVSayInput")->count(); ++i)
            entries << f.combo("CBVSayInput")->itemText(i);
        QCOMPARE(entries, expected);
    }

    // With a file open, each key the box's text leaves bound is tinted, its command in its tip;
    // with no file the picker is as designed.
    void keysTheFileBindsAreInSight()
    {
        OpenedFixture f;
        selectKey(f, 1);
        QCOMPARE(keyTips(f), (QMap<QString, QString>{{"h", "bound to \"dropobj\" on line 4"},
                                                     {"kp_5", "bound to \"class c 1; echo Cov. Op. - Sten;\" on line 5"},
                                                     {"mouse2", "bound to \"+zoom\" on line 8"}}));
        f.get<QAction>("NewConfig1")->trigger();
        selectKey(f, 1);
        QCOMPARE(keyTips(f), (QMap<QString, QString>()));
    }

    // Choosing a key the file binds for a script, a class bind or a free bind, or ticking one
    // whose box holds such a key, asks first: No writes nothing (the picker stays, or opens for
    // the box), Yes goes on. A free key, or one already running the same bind, is not asked about.
    void replacingABindOfTheFileIsAsked()
    {
        OpenedFixture f;
        const QString before = f.outputText();
        const auto asked = [&f](const char *key, const char *tip, const char *bind) {
            QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Question),
                     QString("The key \"%1\" is bound to %2. %3 replaces that bind.\n\nGo on with this key? Choose No "
                             "to pick another key.").arg(key, tip, bind));
        };
        const auto pick = [&f](int slot, const char *control) {
            selectKey(f, slot);
            clickKey(f, control);
            QTest::mouseClick(f.onPicker<QPushButton>("btnKeyOK"), Qt::LeftButton);
        };
        f.desktop.answerQuestion(false);
        pick(2, "Button92"); // h
        asked("h", "\"dropobj\" on line 4", "\"Clock Script\"");
        QCOMPARE(f.edit("edtScript2")->text(), "F9");
        QVERIFY(f.picker->isVisible());
        f.desktop.answerQuestion(true);
        pick(17, "Label4");
        asked("mouse2", "\"+zoom\" on line 8", "The new bind");
        QCOMPARE(f.edit("edtKeyToBind")->text(), "mouse2");
        pick(3, "Button2"); // F1, free: not asked

        // The file's own Sten bind on kp_5 is no question; the medic's default key kp_5 is.
        QCheckBox *sten = f.check("Csten"), *medic = f.check("Msmg");
        f.openTabOf(sten);
        const auto tick = [](QCheckBox *box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); };
        tick(sten);
        tick(sten);
        QVERIFY(sten->isChecked());
        f.desktop.answerQuestion(false);
        tick(medic);
        asked("kp_5", "\"class c 1; echo Cov. Op. - Sten;\" on line 5", "\"Medic - SMG\"");
        QVERIFY(!medic->isChecked() && f.picker->isVisible());
        QCOMPARE(f.picker->keySlot(), 10);
        f.desktop.answerQuestion(true);
        tick(medic);
        QVERIFY(medic->isChecked());
        QCOMPARE(f.outputText(), before); // nothing written before "Create Config"
    }

    // The program makes the picker only after its main window's first paint, unasked: Select Key
    // then opens it. Last, as the program's set-up withdraws the picture formats when it ends.
    void programMakesThePickerAfterTheFirstPaint()
    {
        FakeDesktop desktop;
        TestMachine machine;
        Program program(desktop, machine);
        const auto picker = [] {
            const QWidgetList windows = QApplication::topLevelWidgets();
            const auto found = std::find_if(windows.begin(), windows.end(),
                                            [](QWidget *w) { return qobject_cast<TForm3 *>(w); });
            return found == windows.end() ? nullptr : *found;
        };
        QVERIFY(!picker());
        program.mainWindow().show();
        QTRY_VERIFY(picker());
        program.mainWindow().findChild<QPushButton *>(QStringLiteral("btnS1"))->click();
        QVERIFY(picker()->isVisible());
    }
};

QTEST_MAIN(TestKeyPicker)
#include "tst_keypicker.moc"
