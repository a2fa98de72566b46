#include "support/windowfixture.h"

#include "gui/meterbar.h"
#include "gui/picturebox.h"

#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

WindowFixture::WindowFixture()
{
    applicationSetup();
    window = std::make_unique<TfrmBrackwell>(desktop, machine);
    picker = std::make_unique<TForm3>(*window);
}

WindowFixture::~WindowFixture() = default;

QString WindowFixture::outputText() const
{
    QString text = window->outputText();
    text.replace(u'\n', QLatin1StringView("\r\n"));
    return text;
}

void WindowFixture::showActive() const
{
    if (!window->isVisible()) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

void WindowFixture::openTabOf(QWidget *control) const
{
    showActive();
    auto *tabs = get<QTabWidget>("PC1");
    for (int t = 0; t < tabs->count(); ++t) {
        if (tabs->widget(t)->isAncestorOf(control) && tabs->currentIndex() != t)
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(t).center());
    }
    QVERIFY(control->isVisible());
}

void WindowFixture::typeInto(QWidget *field, const QString &text) const
{
    openTabOf(field);
    auto *combo = qobject_cast<QComboBox *>(field);
    QWidget *target = combo ? combo->lineEdit() : field;
    QTest::mouseClick(target, Qt::LeftButton);
    QVERIFY(target->hasFocus());
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Delete);
    typeText(target, text);
}

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
    }
}

void WindowFixture::clickButton(const char *name) const
{
    auto *button = get<QPushButton>(name);
    QVERIFY2(button, name);
    openTabOf(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

void WindowFixture::setState(const brackwell::GenerationInput &state) const
{
    using namespace brackwell;
    for (int i = 0; i < SettingCount; ++i) {
        const TfrmBrackwell::RowWidgets &r = window->row(i);
        const SettingValue &value = state.settings[std::size_t(i)];
        if (r.check)
            r.check->setChecked(value.checked);
        else if (r.edit)
            r.edit->setText(value.text);
        else
            r.combo->setEditText(value.text);
        if (r.control->isEnabled() != value.enabled)
            window->captionClick(i);
    }
    check(unbindAllCheckBox)->setChecked(state.unbindAll);
    for (int i = 0; i < ScriptCount; ++i) {
        check(scriptBlocks[i].checkBox)->setChecked(state.scripts[std::size_t(i)].ticked);
        edit(scriptBlocks[i].keyEdit)->setText(state.scripts[std::size_t(i)].key);
    }
    for (int i = 0; i < ClassBindCount; ++i) {
        check(classBinds[i].checkBox)->setChecked(state.classes[std::size_t(i)].ticked);
        edit(classBinds[i].keyEdit)->setText(state.classes[std::size_t(i)].key);
    }
}

brackwell::ApplicationSetup &applicationSetup()
{
    static brackwell::ApplicationSetup setup;
    return setup;
}

QColor textColour(const QWidget *widget)
{
    return widget->palette().color(QPalette::WindowText);
}

QMap<QString, QString> snapshot(const QWidget *window)
{
    QMap<QString, QString> state;
    const QList<QWidget *> widgets = window->findChildren<QWidget *>();
    for (const QWidget *w : widgets) {
        QString value = w->isEnabled() ? "enabled " : "disabled ";
        if (auto *edit = qobject_cast<const QLineEdit *>(w))
            value += edit->text();
        else if (auto *combo = qobject_cast<const QComboBox *>(w))
            value += combo->currentText() + " #" + QString::number(combo->currentIndex());
        else if (auto *check = qobject_cast<const QCheckBox *>(w))
            value += check->isChecked() ? "checked" : "unchecked";
        else if (auto *text = qobject_cast<const QPlainTextEdit *>(w))
            value += text->toPlainText();
        else if (auto *bar = qobject_cast<const MeterBar *>(w))
            value += QString::number(bar->signedHeight());
        else if (qobject_cast<const PictureBox *>(w))
            value += w->isVisibleTo(window) ? "shown" : "hidden";
        else if (qobject_cast<const QLabel *>(w))
            value += textColour(w).name();
        else
            continue;
        if (!w->objectName().isEmpty())
            state[w->objectName()] = value;
    }
    return state;
}

void compareSnapshots(const QMap<QString, QString> &actual, const QMap<QString, QString> &expected)
{
    QCOMPARE(actual.keys(), expected.keys());
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QVERIFY2(actual[it.key()] == it.value(),
                 qPrintable(QString("%1: '%2', expected '%3'").arg(it.key(), actual[it.key()], it.value())));
}
