#include "support/windowfixture.h"
#include "gui/clicklabel.h"
#include "gui/meterbar.h"
#include "gui/picturebox.h"

#include <QAction>
#include <QMap>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

using namespace brackwell;

namespace {

const QColor black(0, 0, 0);
const QColor red(255, 0, 0);

void click(QWidget *label)
{
    QTest::mouseClick(label, Qt::LeftButton);
}

int visiblePreview(const WindowFixture &f)
{
    int shown = 0;
    for (int i = 1; i <= 10; ++i) {
        if (f.get<PictureBox>(qPrintable(QString("Image%1").arg(i)))->isVisibleTo(f.window.get())) {
            if (shown)
                return -1; // more than one
            shown = i;
        }
    }
    return shown;
}

void typeInto(QComboBox *combo, const QString &text)
{
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), text);
}

// Brings the caption's tab to the front and moves the mouse onto the widget.
void hover(const WindowFixture &f, QWidget *widget)
{
    auto *tabs = f.get<QTabWidget>("PC1");
    for (int t = 0; t < tabs->count(); ++t)
        if (tabs->widget(t)->isAncestorOf(widget))
            tabs->setCurrentIndex(t);
    QTest::mouseMove(f.window.get(), widget->mapTo(f.window.get(), widget->rect().center()));
}

} // namespace

class TestPresentation : public QObject
{
    Q_OBJECT

private slots:
    void captionClicksSwitchTheirOwnRow_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < SettingCount; ++i)
            QTest::newRow(settingRows[i].captionLabel) << i;
    }

    void captionClicksSwitchTheirOwnRow()
    {
        QFETCH(int, row);
        WindowFixture f;
        const TfrmBrackwell::RowWidgets &r = f.window->row(row);
        const bool gamma = qstrcmp(settingRows[row].captionLabel, "lblGammaLevels") == 0;
        const QLabel *gammaDescription = f.get<QLabel>("lblGammaDescription");

        // A value other than the default, which the switch must keep.
        if (r.edit)
            r.edit->setText(r.edit->text() + "5");
        else if (r.check)
            r.check->setChecked(!r.check->isChecked());
        else
            r.combo->setCurrentIndex((r.combo->currentIndex() + 1) % r.combo->count());
        const GenerationInput on = f.window->readGenerationInput();

        click(r.caption);
        QCOMPARE(textColour(r.caption), red);
        QCOMPARE(textColour(gammaDescription), gamma ? red : black);
        QVERIFY(!r.control->isEnabled());
        QCOMPARE(TfrmBrackwell::lastCaptionColour(), 0);
        f.create();
        GenerationInput off = on;
        off.settings[std::size_t(row)].enabled = false;
        QCOMPARE(f.outputText(), generate(off).text);

        click(r.caption);
        QCOMPARE(textColour(r.caption), black);
        QCOMPARE(textColour(gammaDescription), black);
        QVERIFY(r.control->isEnabled());
        QCOMPARE(TfrmBrackwell::lastCaptionColour(), 255);
        f.create();
        QCOMPARE(f.outputText(), generate(on).text);
        QVERIFY(f.desktop.shown.isEmpty());
    }

    void captionsOfAnyOtherColourIgnoreClicks()
    {
        WindowFixture f;
        QLabel *caption = f.get<QLabel>("lblCHStyle");
        QPalette palette = caption->palette();
        palette.setColor(QPalette::WindowText, QColor(254, 0, 1));
        caption->setPalette(palette);
        click(caption);
        QCOMPARE(TfrmBrackwell::lastCaptionColour(), 0x0100FE);
        QCOMPARE(textColour(caption), QColor(254, 0, 1));
        QVERIFY(f.combo("CBCHStyle")->isEnabled());
    }

    void hoveringCaptionsShowsTheirDescriptions()
    {
        WindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QLineEdit *bar = f.edit("edtDescription");
        QSignalSpy changes(bar, &QLineEdit::textChanged);
        hover(f, f.window->row(0).caption);
        // Straight from caption to caption: the bar empties, then shows the new row's text.
        for (int i = 1; i < SettingCount; ++i) {
            changes.clear();
            hover(f, f.window->row(i).caption);
            const QString expected = QString::fromLatin1(settingRows[i].description);
            QCOMPARE(changes.size(), 2);
            QCOMPARE(changes.at(0).at(0).toString(), QString());
            QCOMPARE(bar->text(), expected);
            QCOMPARE(bar->cursorPosition(), 0); // a long text shows its beginning
        }
        // A click switches the row but leaves the description in place.
        click(f.window->row(SettingCount - 1).caption);
        QCOMPARE(bar->text(), QString::fromLatin1(settingRows[SettingCount - 1].description));
        // Description labels, value controls and group boxes say nothing.
        for (const char *name : {"lblGammaDescription", "edtRunRoll", "GBViewSettings"}) {
            hover(f, f.get<QWidget>(name));
            QCOMPARE(bar->text(), QString());
        }
    }

    void previewShowsTheSelectedStyle_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("styleText");
        QTest::newRow("pick 10") << QStringList{"pick 10"} << 10 << "10";
        QTest::newRow("type 3") << QStringList{"type 3"} << 3 << "3";
        QTest::newRow("type 10, passing 1") << QStringList{"type 10"} << 10 << "10";
        QTest::newRow("text that is no item") << QStringList{"pick 10", "type x"} << 10 << "x";
        QTest::newRow("item after such text") << QStringList{"pick 4", "type 11", "type 8"} << 8 << "8";
        QTest::newRow("colours keep the picture")
            << QStringList{"pick 4", "colour CBC1 Red", "colour CBC2 Pink"} << 4 << "4";
        QTest::newRow("colours after text that is no item")
            << QStringList{"type 6", "type x", "colour CBC1 Blue"} << 6 << "x";
    }

    void previewShowsTheSelectedStyle()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, shown);
        QFETCH(QString, styleText);
        WindowFixture f;
        QComboBox *style = f.combo("CBCHStyle");
        for (const QString &step : steps) {
            const QStringList words = step.split(' ');
            if (words[0] == "pick")
                style->setCurrentIndex(words[1].toInt() - 1);
            else if (words[0] == "type")
                typeInto(style, words[1]);
            else
                typeInto(f.combo(qPrintable(words[1])), words[2]);
        }
        QCOMPARE(visiblePreview(f), shown);
        QCOMPARE(style->currentText(), styleText);
        f.create();
        QVERIFY(f.outputText().contains("seta cg_drawCrosshair \"" + styleText + "\"\r\n"));
    }

    void colourCodesGoToTheEndOfTheName()
    {
        WindowFixture f;
        QLineEdit *name = f.edit("edtPlayerName");
        const char *labels[] = {"Label3", "Label5", "Label8", "Label9", "Label10",
                                "Label11", "Label12", "Label13", "Label14", "Label15"};
        const QString codes = "^1^2^3^4^5^6^7^8^9^0";
        name->setText("Bob");
        name->setCursorPosition(0);
        for (const char *label : labels)
            click(f.get<QWidget>(label));
        QCOMPARE(name->text(), "Bob" + codes);

        // A switched-off name still takes codes; it is just not in the script.
        name->clear();
        click(f.get<QWidget>("lblPlayerName"));
        for (const char *label : {"Label3", "Label12", "Label12"})
            click(f.get<QWidget>(label));
        QCOMPARE(name->text(), "^1^7^7");
        f.create();
        QVERIFY(!f.outputText().contains("seta Name"));
        click(f.get<QWidget>("lblPlayerName"));
        f.create();
        QVERIFY(f.outputText().startsWith("seta Name \"^1^7^7\"\r\n"));
    }

    void newConfigRestoresTheStartState()
    {
        WindowFixture fresh;
        const QMap<QString, QString> start = snapshot(fresh.window.get());

        WindowFixture f;
        f.edit("edtPlayerName")->setText("^1Bob");
        f.edit("edtGamma")->setText("2.5");
        f.combo("CBMapOver")->setCurrentIndex(2);
        f.combo("CBMarkTime")->setEditText("35");
        f.check("CBSmoothing")->setChecked(true);
        f.check("CBSky")->setChecked(false);
        f.combo("CBCHStyle")->setCurrentIndex(6);
        f.combo("CBC1")->setEditText("Red");
        f.combo("CBC2")->setEditText("Pink");
        for (const char *caption : {"lblGammaLevels", "lblBrass", "lblTextureMode", "lblRunRoll", "lblCHStyle"})
            click(f.get<QWidget>(caption));
        for (const char *box : {"CBFovScript", "CBClock", "CBDemo", "CBAkimbo", "CBUnBindAll", "Ssmg", "Csilenced"})
            f.check(box)->setChecked(true);
        for (const char *key : {"edtScript1", "edtScript4", "edtSsmg", "edtCsilenced"})
            f.edit(key)->setText("z");
        f.edit("edtCustomInput")->setText("r_customvar");
        f.create();
        QVERIFY(!f.output()->toPlainText().isEmpty());

        // The window's work is not dropped unasked.
        f.desktop.answerUnsaved(Desktop::Unsaved::Discard);
        f.window->findChild<QAction *>("NewConfig1")->trigger();
        QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Question), "Do you want to save the config made here?");

        // The start state, but the crosshair rows keep their switch and the extra-binds inputs their text.
        QMap<QString, QString> expected = start;
        expected["lblCHStyle"] = "enabled " + red.name();
        expected["CBCHStyle"] = "disabled 1 #0";
        expected["edtCustomInput"] = "enabled r_customvar";
        compareSnapshots(snapshot(f.window.get()), expected);
        QVERIFY(f.desktop.shown.isEmpty());

        // Every row is back in the next script, except the style row that is still off.
        f.create();
        GenerationInput input = defaultInput();
        input.settings[std::size_t(settingIndex("CBCHStyle"))].enabled = false;
        QCOMPARE(f.outputText(), generate(input).text);
    }

    void menusShowTheirMessagesAndExitCloses()
    {
        WindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        f.edit("edtGamma")->setText("2");
        click(f.get<QWidget>("lblBrass"));
        f.create();
        const QMap<QString, QString> before = snapshot(f.window.get());

        f.window->findChild<QAction *>("BrackwellHelp1")->trigger();
        QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Message),
                 "The help file for this program can be found in the Brackwell directory as helpfile.htm");
        f.window->findChild<QAction *>("About1")->trigger();
        // The project's version, which --version prints too.
        QCOMPARE(QCoreApplication::applicationVersion(), "1.00");
        QVERIFY(f.desktop.takeOnly(FakeDesktop::Kind::Message).endsWith("This is version 1.00."));
        compareSnapshots(snapshot(f.window.get()), before);

        f.desktop.answerUnsaved(Desktop::Unsaved::Discard);
        f.window->findChild<QAction *>("Exit1")->trigger();
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.desktop.takeOnly(FakeDesktop::Kind::Question), "Do you want to save the config made here?");
    }
};

QTEST_MAIN(TestPresentation)
#include "tst_presentation.moc"
