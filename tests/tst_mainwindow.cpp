#include "support/windowfixture.h"
#include "gui/clicklabel.h"
#include "gui/meterbar.h"
#include "gui/picturebox.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace brackwell;

namespace {

// The focusable controls of a container in the order the Tab key visits them.
QStringList focusOrder(QWidget *container)
{
    QStringList names;
    QWidget *start = container->window();
    QWidget *w = start;
    do {
        w = w->nextInFocusChain();
        if (container->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty()
            && !qobject_cast<QComboBox *>(w->parentWidget()))
            names << w->objectName();
    } while (w != start);
    return names;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void everyCatalogueControlExistsWithItsKind()
    {
        WindowFixture f;
        for (const SettingRow &row : settingRows) {
            QVERIFY2(f.get<ClickLabel>(row.captionLabel), row.captionLabel);
            QCOMPARE(f.get<ClickLabel>(row.captionLabel)->text(), QString::fromLatin1(row.captionText));
            const char *expected = row.kind == ControlKind::Edit    ? "QLineEdit"
                                   : row.kind == ControlKind::Check ? "QCheckBox"
                                                                    : "QComboBox";
            QWidget *control = f.get<QWidget>(row.control);
            QVERIFY2(control, row.control);
            QCOMPARE(control->metaObject()->className(), expected);
        }
        for (const ScriptBlock &block : scriptBlocks) {
            QVERIFY2(f.check(block.checkBox), block.checkBox);
            QVERIFY2(f.edit(block.keyEdit), block.keyEdit);
        }
        for (const ClassBind &bind : classBinds) {
            QVERIFY2(f.check(bind.checkBox), bind.checkBox);
            QCOMPARE(f.check(bind.checkBox)->text(), QString::fromLatin1(bind.caption));
            QVERIFY2(f.edit(bind.keyEdit), bind.keyEdit);
        }
    }

    void otherNamedControlsExistWithTheirKind_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        auto add = [](const QStringList &names, const char *kind) {
            for (const QString &name : names)
                QTest::newRow(qPrintable(name)) << name << kind;
        };
        add({"PC1"}, "QTabWidget");
        add({"TS1", "TS2", "TSScripts", "TSClass", "TSOutput", "TSBindsCVARs"}, "QWidget");
        add({"edtDescription", "edtKeyToBind", "edtBindInput", "edtCustomInput", "edtValue"}, "QLineEdit");
        add({"GBBasic", "GroupBox2", "GBBrightnessLighting", "GBGun", "GBEffects", "GBPreview", "GBGraphics",
             "GBResources", "GBViewSettings", "GBScripts", "GroupBox3", "GBQuality", "GroupBox1", "GBBinds",
             "GBSelectType", "GBOtherCVARs"},
            "QGroupBox");
        add({"btnCreate", "btnSave", "btnSelectDestination", "btnAddBind", "btnAddCustom"}, "QPushButton");
        for (int slot = 1; slot <= 17; ++slot)
            add({QString("btnS%1").arg(slot)}, "QPushButton");
        add({"Label3", "Label5", "Label8", "Label9", "Label10", "Label11", "Label12", "Label13", "Label14", "Label15"},
            "ClickLabel");
        add({"Label7", "lblGammaDescription", "Label19", "Label18", "Label16", "Label17", "Label20", "Label21",
             "Label22", "Label23", "lblscriptsnote", "Label29", "Label24", "Label6", "Label4", "Label26", "Label27",
             "Label28", "Label30", "lblSaveHelp", "lblAutoExec", "lblQualityHigh", "lblQualityLow", "lblFPSHigh", "lblFPSLow", "Label25", "lblKeyToBind", "lblEnterBind", "lblVsayInput",
             "lblAttention1", "lblAttention2", "lblAttention3", "Label2", "lblCustomDescription",
             "lblCustomCVARName", "Label1"},
            "QLabel");
        add({"lblQuality", "lblFPS"}, "FittedLabel");
        add({"CBUnBindAll"}, "QCheckBox");
        add({"CBTypeOfBind", "CBVSayInput"}, "QComboBox");
        add({"memoOutput"}, "QPlainTextEdit");
        add({"shpSideQuality", "shpSideFPS"}, "Shape");
        add({"shpQuality", "shpFPS"}, "MeterBar");
        add({"Panel1", "Bevel1", "Bevel2", "Bevel3", "Bevel4"}, "QFrame");
        for (int i = 1; i <= 15; ++i)
            add({QString("Image%1").arg(i)}, "PictureBox");
        add({"MainMenu1"}, "QMenuBar");
        add({"File1", "OpenRecent1", "GameConfigs1", "Help1"}, "QMenu");
    }

    void otherNamedControlsExistWithTheirKind()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        WindowFixture f;
        const QWidget *widget = f.get<QWidget>(qPrintable(name));
        QVERIFY(widget);
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
    }

    void menusHoldTheirItemsInOrder()
    {
        WindowFixture f;
        const QStringList names = {"NewConfig1",  "OpenConfig1", "OpenRecent1",    "GameConfigs1",
                                   "SaveConfig1", "Exit1",       "BrackwellHelp1", "About1"};
        const QStringList captions = {"New Config", "Open Config...", "Open Recent", "Game configs",
                                      "Save Current Config Output", "Exit", "Brackwell Help", "About"};
        const QList<QAction *> items = f.get<QMenu>("File1")->actions() + f.get<QMenu>("Help1")->actions();
        QCOMPARE(items.size(), names.size());
        for (int i = 0; i < names.size(); ++i) {
            // A sub-menu's item is the menu's own.
            QCOMPARE(items[i]->menu() ? items[i]->menu()->objectName() : items[i]->objectName(), names[i]);
            QCOMPARE(QString(items[i]->text()).remove(u'&'), captions[i]);
            // Only Open Config has a shortcut.
            QCOMPARE(items[i]->shortcut(), names[i] == "OpenConfig1" ? QKeySequence("Ctrl+O") : QKeySequence());
        }
    }

    void startsInTheCatalogueDefaultState()
    {
        WindowFixture f;
        for (int i = 0; i < SettingCount; ++i) {
            const SettingRow &setting = settingRows[i];
            const TfrmBrackwell::RowWidgets &r = f.window->row(i);
            QVERIFY2(r.control->isEnabled(), setting.control);
            QCOMPARE(textColour(r.caption), QColor(Qt::black));
            if (r.check)
                QCOMPARE(r.check->isChecked(), setting.defaultChecked);
            else if (r.edit)
                QCOMPARE(r.edit->text(), QString::fromLatin1(setting.defaultText));
            if (r.combo) {
                QCOMPARE(r.combo->currentText(), QString::fromLatin1(setting.defaultText));
                QVERIFY(r.combo->isEditable());
                QStringList items;
                for (int k = 0; k < setting.items.count; ++k)
                    items << QString::fromLatin1(setting.items.items[k]);
                QStringList shown;
                for (int k = 0; k < r.combo->count(); ++k)
                    shown << r.combo->itemText(k);
                QCOMPARE(shown, items);
            }
        }
        QCOMPARE(textColour(f.get<QLabel>("lblGammaDescription")), QColor(Qt::black));
        QVERIFY(!f.check("CBUnBindAll")->isChecked());
        for (const ScriptBlock &block : scriptBlocks) {
            QVERIFY(!f.check(block.checkBox)->isChecked());
            QCOMPARE(f.edit(block.keyEdit)->text(), QString::fromLatin1(block.defaultKey));
        }
        for (const ClassBind &bind : classBinds) {
            QVERIFY(!f.check(bind.checkBox)->isChecked());
            QCOMPARE(f.edit(bind.keyEdit)->text(), QString::fromLatin1(bind.defaultKey));
        }
        QCOMPARE(f.output()->toPlainText(), QString());
        QCOMPARE(f.edit("edtDescription")->text(), QString());
        QVERIFY(f.edit("edtDescription")->isReadOnly());
        QCOMPARE(f.get<MeterBar>("shpQuality")->signedHeight(), 1);
        QCOMPARE(f.get<MeterBar>("shpFPS")->signedHeight(), 1);
        QCOMPARE(f.get<QTabWidget>("PC1")->currentWidget()->objectName(), "TS1");
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(f.get<PictureBox>(qPrintable(QString("Image%1").arg(i)))->isVisibleTo(f.window.get()), i == 1);

        // The free-bind inputs wait for a bind type.
        QCOMPARE(f.combo("CBTypeOfBind")->currentIndex(), -1);
        QCOMPARE(f.combo("CBTypeOfBind")->count(), 3);
        QCOMPARE(f.combo("CBVSayInput")->currentIndex(), -1);
        QCOMPARE(f.combo("CBVSayInput")->currentText(), QString());
        QCOMPARE(f.combo("CBVSayInput")->count(), 99);
        for (const char *name : {"lblKeyToBind", "edtKeyToBind", "lblEnterBind", "edtBindInput", "lblVsayInput",
                                 "CBVSayInput", "btnAddBind"})
            QVERIFY2(!f.get<QWidget>(name)->isEnabled(), name);
        QVERIFY(f.get<QWidget>("btnS17")->isEnabled());
        for (const char *name : {"lblAttention1", "lblAttention2", "lblAttention3"})
            QVERIFY2(!f.get<QWidget>(name)->isVisibleTo(f.window.get()), name);
    }

    void windowIsPlacedAndSizedAsDesigned()
    {
        WindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QCOMPARE(f.window->centralWidget()->size(), QSize(793, 517));
        QCOMPARE(f.window->windowTitle(), "Brackwell");
        QCOMPARE(f.window->pos(), QPoint(232, 230));
        QCOMPARE(f.get<QWidget>("PC1")->geometry(), QRect(0, 0, 793, 489));
        QCOMPARE(f.get<QWidget>("edtDescription")->geometry(), QRect(104, 496, 665, 21));

        // Resizing moves or stretches no control.
        const QRect create = f.get<QWidget>("btnCreate")->geometry();
        f.window->resize(1200, 900);
        QCOMPARE(f.get<QWidget>("PC1")->geometry(), QRect(0, 0, 793, 489));
        QCOMPARE(f.get<QWidget>("btnCreate")->geometry(), create);
    }

    void fontsHaveTheirDesignedPixelHeights()
    {
        WindowFixture f;
        QCOMPARE(f.get<QWidget>("edtGamma")->font().pixelSize(), 11);
        QCOMPARE(f.get<QWidget>("lblGammaLevels")->font().pixelSize(), 16);
        QCOMPARE(f.get<QWidget>("Label7")->font().pixelSize(), 13);
        QVERIFY(f.get<QWidget>("Label7")->font().underline());
        QVERIFY(f.get<QWidget>("Label6")->font().bold());
        QCOMPARE(f.get<QWidget>("Label6")->font().pixelSize(), 19);
        QCOMPARE(f.get<QWidget>("lblQuality")->font().pixelSize(), 13);
        QVERIFY(QFontInfo(f.get<QWidget>("lblQuality")->font()).fixedPitch());
    }

    void everyTextFitsItsDesignedBox()
    {
        WindowFixture f;
        const QList<QLabel *> labels = f.window->findChildren<QLabel *>();
        for (const QLabel *label : labels) {
            if (label->objectName().isEmpty() || label->text().isEmpty())
                continue;
            const QFontMetrics metrics(label->font());
            const int width = metrics.horizontalAdvance(label->text());
            QVERIFY2(width <= label->width(),
                     qPrintable(QString("%1: text %2 px in a %3 px box")
                                    .arg(label->objectName())
                                    .arg(width)
                                    .arg(label->width())));
            QVERIFY2(metrics.height() <= label->height() + 3, qPrintable(label->objectName()));
        }
        const QList<QCheckBox *> boxes = f.window->findChildren<QCheckBox *>();
        for (const QCheckBox *box : boxes) {
            if (box->text().isEmpty())
                continue;
            QVERIFY2(box->sizeHint().width() <= box->width() + 4,
                     qPrintable(QString("%1: needs %2 px, has %3 px")
                                    .arg(box->objectName())
                                    .arg(box->sizeHint().width())
                                    .arg(box->width())));
        }
    }

    void stageOneTabOrderFollowsTheDesign()
    {
        WindowFixture f;
        const QStringList expected = {"edtPlayerName", "CBComplaint",   "edtGamma",     "CBdrawsun",
                                      "CBdynamiclight", "CBMapOver",    "edtCorona",    "CBAtmospheric",
                                      "CBSky",          "CBParticles",  "CBShowBlood",  "CBMarkTime",
                                      "CBGibs",         "CBBloodTime",  "CBPulsing",    "CBDrawGun",
                                      "edtBrass",       "CBCHStyle",    "CBC2",         "CBC1"};
        QCOMPARE(focusOrder(f.get<QWidget>("TS1")), expected);
    }

    void createConfigWritesTheScriptAndTheBars()
    {
        WindowFixture f;
        f.create();
        QCOMPARE(f.outputText(), generate(defaultInput()).text);
        const MeterBar *quality = f.get<MeterBar>("shpQuality");
        const MeterBar *fps = f.get<MeterBar>("shpFPS");
        QCOMPARE(quality->signedHeight(), 1 - 214);
        QCOMPARE(fps->signedHeight(), 1 - 106);
        // A negative height stands on the baseline and rises towards "High".
        QCOMPARE(quality->geometry(), QRect(75, 278 - 213, 33, 213));
        QCOMPARE(fps->geometry(), QRect(75, 280 - 105, 33, 105));
        QVERIFY(f.desktop.shown.isEmpty());

        // A second pass with unchanged controls gives the same text, not twice the text.
        f.create();
        QCOMPARE(f.outputText(), generate(defaultInput()).text);
    }

    void createConfigReadsTheControlsAtTheClick()
    {
        WindowFixture f;
        f.edit("edtGamma")->setText("1.5");
        f.get<QWidget>("CBdrawsun")->setEnabled(false);
        f.check("CBDemo")->setChecked(true);
        f.edit("edtScript3")->setText("F7");
        f.check("CBUnBindAll")->setChecked(true);
        f.combo("CBPicMip")->setEditText("7");
        f.create();
        const QStringList lines = f.outputText().split("\r\n");
        QCOMPARE(lines.mid(0, 2), (QStringList{"", "UnbindAll"}));
        QVERIFY(lines.contains("seta r_gamma \"1.5\""));
        QVERIFY(lines.contains("seta r_picmip \"7\""));
        QVERIFY(!f.outputText().contains("r_DrawSun"));
        QCOMPARE(lines.at(lines.size() - 2), "bind F7 \"vstr demor\"");
    }

    // Typed with real keys, then focus leaves for "Create Config" on another tab: the list holds
    // and the script writes exactly what was typed, never an item it resembles.
    void typedListTextIsTheValue_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("line"); // empty: the row writes nothing
        QTest::newRow("texture mode in lower case") << "CBTextureMode" << "bilinear" << "";
        QTest::newRow("blood time, prefix of an item") << "CBBloodTime" << "5" << "seta cg_bloodTime \"5\"";
        QTest::newRow("frame rate, prefix of an item") << "CBFPS2" << "1" << "seta com_maxfps \"1\"";
        QTest::newRow("colour in lower case") << "CBC1" << "white" << "seta cg_crosshairColor \"white\"";
        QTest::newRow("style, prefix of 10") << "CBCHStyle" << "1" << "seta cg_drawCrosshair \"1\"";
        QTest::newRow("intensity, no item") << "CBIntensity" << "1.05" << "seta r_Intensity \"1.05\"";
        QTest::newRow("map over, emptied") << "CBMapOver" << "" << "seta r_mapoverbrightbits \"\"";
    }

    void typedListTextIsTheValue()
    {
        QFETCH(QString, list);
        QFETCH(QString, typed);
        QFETCH(QString, line);
        WindowFixture f;
        QComboBox *combo = f.combo(qPrintable(list));
        const int items = combo->count();
        f.typeInto(combo, typed);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return); // Enter in the list adds no item
        f.clickButton("btnCreate");
        QVERIFY(!combo->hasFocus());
        QCOMPARE(combo->currentText(), typed);
        QCOMPARE(combo->count(), items);
        const QStringList lines = f.outputText().split("\r\n");
        if (line.isEmpty())
            QVERIFY(!f.outputText().contains("r_textureMode"));
        else
            QVERIFY2(lines.contains(line), qPrintable(f.outputText()));
        // Texture mode typed in another case adds nothing to the meter either.
        if (list == "CBTextureMode")
            QCOMPARE(f.get<MeterBar>("shpQuality")->signedHeight(), 1 - (214 - 15));
    }

    void theVoiceListKeepsTypedText()
    {
        WindowFixture f;
        QComboBox *type = f.combo("CBTypeOfBind");
        f.typeInto(type, "\"VSay\" Binds");
        QComboBox *voice = f.combo("CBVSayInput");
        QVERIFY(voice->isEnabled());
        f.typeInto(voice, "\"vsay medic\"");
        f.typeInto(f.edit("edtKeyToBind"), "k");
        f.clickButton("btnAddBind");
        QVERIFY(f.outputText().endsWith("bind k \"vsay medic\"\r\n"));
    }

    // Enter and Return on a focused push button press it, in both windows; in an edit box they
    // press nothing.
    void enterPressesTheFocusedButton()
    {
        WindowFixture f;
        auto *create = f.get<QPushButton>("btnCreate");
        f.openTabOf(create);
        create->setFocus(Qt::TabFocusReason);
        QTest::keyClick(create, Qt::Key_Return);
        QCOMPARE(f.outputText(), generate(defaultInput()).text);
        f.output()->clear();
        QTest::keyClick(create, Qt::Key_Enter);
        QCOMPARE(f.outputText(), generate(defaultInput()).text);

        f.typeInto(f.edit("edtGamma"), "2");
        f.output()->clear();
        QTest::keyClick(f.edit("edtGamma"), Qt::Key_Return);
        QVERIFY(f.output()->document()->isEmpty());

        f.window->btnSelectKeyClick(2);
        QVERIFY(QTest::qWaitForWindowExposed(f.picker.get()));
        f.picker->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.picker.get()));
        auto *f10 = f.onPicker<QPushButton>("Button11");
        f10->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f10, Qt::Key_Return);
        auto *ok = f.onPicker<QPushButton>("btnKeyOK");
        ok->setFocus(Qt::TabFocusReason);
        QTest::keyClick(ok, Qt::Key_Enter);
        QVERIFY(!f.picker->isVisible());
        QCOMPARE(f.edit("edtScript2")->text(), "F10");
    }

    void aBadNumberEndsInTheErrorBox()
    {
        WindowFixture f;
        f.edit("edtCorona")->setText("abc");
        f.create();
        QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Error), "'abc' is not a valid floating point value.");
        const QStringList lines = f.outputText().split("\r\n");
        QCOMPARE(lines.size(), 7 + 1);
        QCOMPARE(lines.at(6), "seta cg_coronafardist \"abc\"");
        QCOMPARE(f.get<MeterBar>("shpQuality")->signedHeight(), 1 - 16);
        QCOMPARE(f.get<MeterBar>("shpFPS")->signedHeight(), 1 - 12);

        // Corrected, the next pass runs to the end.
        f.edit("edtCorona")->setText("1536");
        f.create();
        QVERIFY(f.desktop.shown.isEmpty());
        QCOMPARE(f.outputText(), generate(defaultInput()).text);
    }

    void anExceptionInAHandlerEndsInTheErrorBox()
    {
        WindowFixture f;
        f.desktop.dialogThrows = "Out of memory";
        f.get<QPushButton>("btnSelectDestination")->click();
        QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Error), "Out of memory.");
        // The window goes on working.
        f.create();
        QCOMPARE(f.outputText(), generate(defaultInput()).text);
    }

    void anyTextPassesThroughTheWindowUnchanged()
    {
        WindowFixture f;
        const QString hostile = QString::fromUtf8("say \"gg\"; quit \xE2\x80\x94 Ωμέγα ") + QString(100000, u'z');
        f.edit("edtPlayerName")->setText(hostile);
        f.combo("CBC1")->setEditText(hostile);
        f.edit("edtSsmg")->setText(QString());
        f.check("Ssmg")->setChecked(true);
        f.create();
        const QString text = f.outputText();
        QVERIFY(text.startsWith("seta Name \"" + hostile + "\"\r\n"));
        QVERIFY(text.contains("seta cg_crosshairColor \"" + hostile + "\"\r\n"));
        QVERIFY(text.endsWith("\r\nbind  \"class s 1; echo Soldier - SMG;\"\r\n"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
