#include "ui/desktop.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace brackwell {

namespace {

void runCentred(QMessageBox &box)
{
    // Centred on the screen rather than over the window that asked.
    box.adjustSize();
    if (const QScreen *screen = box.screen()) {
        const QRect area = screen->availableGeometry();
        box.move(area.center() - QPoint(box.width() / 2, box.height() / 2));
    }
    box.exec();
}

class SystemDesktop final : public Desktop
{
public:
    void showMessage(QWidget *parent, const QString &text) override
    {
        QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok,
                        parent);
        runCentred(box);
    }

    void showError(QWidget *parent, const QString &text) override
    {
        QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok,
                        parent);
        box.exec();
    }
};

} // namespace

Desktop &systemDesktop()
{
    static SystemDesktop desktop;
    return desktop;
}

QString withFullStop(const QString &text)
{
    return text.endsWith(u'.') ? text : text + u'.';
}

} // namespace brackwell
