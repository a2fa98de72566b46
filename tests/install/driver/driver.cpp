// Drives an installed program from inside its own process, on any platform plugin, so the
// program under test is the installed one, unchanged. Qt loads it as a generic plugin:
//   QT_PLUGIN_PATH=<folder holding generic/> QT_QPA_GENERIC_PLUGINS=brackwelldriver:MODE brackwell ...
// MODE "save": once the main window shows the file given on the command line, press "One-Click
// Save To File". MODE "screenshot:FILE": once the main window is drawn, save what the screen shows
// of it as FILE (PNG). MODE "stay:FILE": once the main window shows, say "driver: running", and
// keep the program running until FILE exists (an uninstaller is tried meanwhile). Every box shown is printed ("box: <text>") and answered with OK; the main
// window is then closed, which ends the program. Gives up with exit code 3 after 60 seconds.
#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFileInfo>
#include <QGenericPlugin>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

QWidget *mainWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->objectName() == QLatin1StringView("frmBrackwell") && window->isVisible())
            return window;
    }
    return nullptr;
}

void say(const QString &text)
{
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

class Driver : public QObject
{
public:
    explicit Driver(const QString &argument)
        : m_mode(argument.section(u':', 0, 0))
        , m_file(argument.section(u':', 1))
    {
        connect(&m_timer, &QTimer::timeout, this, &Driver::step);
        m_timer.start(200);
        QTimer::singleShot(60000, this, [] {
            say(QStringLiteral("driver: gave up waiting"));
            std::exit(3);
        });
    }

private:
    void step()
    {
        // The box in front first: boxes are modal, and the save's own answer comes in one.
        if (QWidget *modal = QApplication::activeModalWidget()) {
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                say(QStringLiteral("box: ") + box->text());
                box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->accept();
                if (m_acted)
                    finish();
            }
            return;
        }
        QWidget *window = mainWindow();
        if (!window || m_acted)
            return;
        if (m_mode == QLatin1StringView("save")) {
            auto *output = window->findChild<QPlainTextEdit *>(QStringLiteral("memoOutput"));
            auto *save = window->findChild<QAbstractButton *>(QStringLiteral("btnSave"));
            if (!output || !save || output->toPlainText().isEmpty())
                return; // the file is opened from inside the event loop, after the window shows
            m_acted = true;
            // Later, from the event loop: the box the save shows runs a loop of its own, in
            // which this timer must fire again.
            QMetaObject::invokeMethod(save, &QAbstractButton::click, Qt::QueuedConnection);
        } else if (m_mode == QLatin1StringView("screenshot")) {
            // The pointer out of the way first, so that no caption is lit up by it; then a few
            // rounds after the window has painted, so that what it drew has reached the screen.
            if (!m_watching) {
                m_watching = true;
                QCursor::setPos(window->screen()->geometry().bottomRight());
                window->installEventFilter(this);
                window->update(); // a paint to watch for, whether or not one came before
            }
            if (!m_painted || ++m_shownRounds < 3)
                return;
            // The screen's pixels where the window is, as the platform drew them. (Without a window
            // manager there is no title bar around it.) A busy machine may show them later than
            // the paint: taken again until the window's controls are there.
            const QRect area = window->geometry();
            const QPixmap picture =
                window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
            if (!showsControls(picture.toImage()))
                return;
            m_acted = true;
            say(picture.save(m_file, "PNG") ? QStringLiteral("screenshot: %1x%2").arg(picture.width()).arg(picture.height())
                                            : QStringLiteral("screenshot: not saved"));
            finish();
        } else if (m_mode == QLatin1StringView("stay")) {
            if (!m_watching) {
                m_watching = true;
                say(QStringLiteral("driver: running"));
            }
            if (QFileInfo::exists(m_file)) {
                m_acted = true;
                finish();
            }
        } else {
            say(QStringLiteral("driver: unknown mode ") + m_mode);
            std::exit(3);
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            m_painted = true;
            watched->removeEventFilter(this);
        }
        return false;
    }

    // Not one plain colour: something besides the window's background is drawn.
    static bool showsControls(const QImage &image)
    {
        if (image.isNull())
            return false;
        const QRgb first = image.pixel(0, 0);
        for (int y = 0; y < image.height(); y += 7) {
            for (int x = 0; x < image.width(); x += 7) {
                if (image.pixel(x, y) != first)
                    return true;
            }
        }
        return false;
    }

    void finish()
    {
        QTimer::singleShot(0, [] {
            if (QWidget *window = mainWindow())
                window->close();
        });
    }

    QString m_mode;
    QString m_file;
    QTimer m_timer;
    bool m_acted = false;
    bool m_watching = false;
    bool m_painted = false;
    int m_shownRounds = 0;
};

} // namespace

class DriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "driver.json")

public:
    QObject *create(const QString &key, const QString &argument) override
    {
        return key == QLatin1StringView("brackwelldriver") ? new Driver(argument) : nullptr;
    }
};

#include "driver.moc"
