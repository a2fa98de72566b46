#include "support/windowfixture.h"

#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

WindowFixture::WindowFixture()
{
    applicationSetup();
    window = std::make_unique<TfrmBrackwell>(desktop);
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
    QTest::keyClicks(target, text);
}

void WindowFixture::clickButton(const char *name) const
{
    auto *button = get<QPushButton>(name);
    QVERIFY2(button, name);
    openTabOf(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

brackwell::ApplicationSetup &applicationSetup()
{
    static brackwell::ApplicationSetup setup;
    return setup;
}
