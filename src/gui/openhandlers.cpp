#include "gui/mainwindow.h"

#include "document/configreader.h"
#include "platform/gameconfigs.h"
#include "platform/gamefolders.h"
#include "gui/desktop.h"
#include "platform/filelookout.h"
#include "platform/machine.h"
#include "gui/meterbar.h"
#include "gui/textwrap.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

using namespace brackwell;

namespace {

// The config file a drag carries: exactly one local file whose name ends in ".cfg".
QString draggedConfig(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    const QString path = urls.front().toLocalFile();
    return path.endsWith(u'.' + QLatin1StringView(configSuffix), Qt::CaseInsensitive) ? path : QString();
}

// A path as a menu item shows it: an "&" in it is no access key.
QString menuText(const QString &path)
{
    return QDir::toNativeSeparators(path).replace(u'&', QStringLiteral("&&"));
}

} // namespace

void TfrmBrackwell::wireOpening()
{
    on(m_ui->OpenConfig1, &QAction::triggered, &TfrmBrackwell::OpenConfig1Click);
    // Filled as they open: start-up reads neither the kept list nor the game's folders.
    on(m_ui->OpenRecent1, &QMenu::aboutToShow, &TfrmBrackwell::OpenRecent1Show);
    on(m_ui->GameConfigs1, &QMenu::aboutToShow, &TfrmBrackwell::GameConfigs1Show);

    // A config file dropped anywhere on the window opens, also over the controls that take
    // dropped text themselves (edit boxes, the output box).
    setAcceptDrops(true);
    installEventFilter(this);
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child->acceptDrops())
            child->installEventFilter(this);
    }
    m_ui->memoOutput->viewport()->installEventFilter(this);
}

bool TfrmBrackwell::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = draggedConfig(drop->mimeData());
        if (!path.isEmpty()) {
            drop->acceptProposedAction();
            // Not inside the drop: the drag's source waits until the drop event returns.
            if (type == QEvent::Drop)
                openConfigLater(path);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmBrackwell::OpenConfig1Click()
{
    m_documents->openWithDialog(m_documents->openDialogFolder());
}

void TfrmBrackwell::OpenRecent1Show()
{
    QMenu *menu = m_ui->OpenRecent1;
    menu->clear();
    const QStringList files = recentFiles(m_machine.settings());
    for (qsizetype i = 0; i < files.size() && i < recentConfigCount; ++i) {
        const QString path = files[i];
        QAction *item = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(menuText(path)));
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, path] { guarded([this, &path] { m_documents->openRecent(path); }); });
    }
    if (menu->isEmpty()) {
        menu->addAction(QStringLiteral("No config opened or saved yet"))->setEnabled(false);
        return;
    }
    // Greyed once the file is found not there (a drive not yet mounted may bring it back). The menu
    // opens at once: a file on a drive that sleeps answers when it wakes.
    if (!m_recentLookout) {
        m_recentLookout = new FileLookout(m_machine.files(), this);
        connect(m_recentLookout, &FileLookout::seen, this, [menu](const QString &path, bool isFile) {
            const QList<QAction *> items = menu->actions();
            for (QAction *item : items) {
                if (item->data().toString() == path)
                    item->setEnabled(isFile);
            }
        });
    }
    m_recentLookout->look(files.mid(0, recentConfigCount));
}

void TfrmBrackwell::GameConfigs1Show()
{
    QMenu *menu = m_ui->GameConfigs1;
    menu->clear();
    // Read each time the menu opens: the game writes its files while it runs.
    const QList<GameConfigPlace> places = gameConfigPlaces(gameFolders(m_machine));
    for (const GameConfigPlace &place : places) {
        if (!menu->isEmpty())
            menu->addSeparator();
        for (const GameConfigFile &file : place.files) {
            QString text = menuText(file.path);
            if (!file.profile.isEmpty())
                text += QStringLiteral(" (profile \"%1\")").arg(QString(file.profile).replace(u'&', QStringLiteral("&&")));
            const QString path = file.path;
            connect(menu->addAction(text), &QAction::triggered, this,
                    [this, path] { guarded([this, &path] { openConfigFile(path); }); });
        }
        const QString folder = place.folder;
        connect(menu->addAction(QStringLiteral("Other file in %1...").arg(menuText(folder))), &QAction::triggered, this,
                [this, folder] { guarded([this, &folder] { m_documents->openWithDialog(folder); }); });
    }
    if (menu->isEmpty())
        menu->addAction(QStringLiteral("No game folder here"))->setEnabled(false);
}

void TfrmBrackwell::openConfigLater(const QString &path)
{
    QTimer::singleShot(0, this, [this, path] { guarded([this, &path] { openConfigFile(path); }); });
}

void TfrmBrackwell::showOpened(const ConfigRead &read, const QString &text)
{
    // From the state New Config gives, which leaves the Extra Binds tab as it is.
    NewConfig1Click();
    for (int i = 0; i < SettingCount; ++i)
        setRow(i, read.input.settings[std::size_t(i)]);
    m_unbindAll->setChecked(read.input.unbindAll);
    for (std::size_t i = 0; i < m_scripts.size(); ++i) {
        m_scripts[i].check->setChecked(read.input.scripts[i].ticked);
        m_scripts[i].key->setText(read.input.scripts[i].key);
    }
    for (std::size_t i = 0; i < m_classes.size(); ++i) {
        m_classes[i].check->setChecked(read.input.classes[i].ticked);
        m_classes[i].key->setText(read.input.classes[i].key);
    }

    // The box shows the file as it is, not as "Create Config" would write it; the bars show
    // what "Create Config" would draw for the state now in the window.
    setWrappedText(m_ui->memoOutput, text);
    const MeterHeights meter = generate(readGenerationInput()).meter;
    m_ui->shpQuality->setSignedHeight(meter.quality);
    m_ui->shpFPS->setSignedHeight(meter.fps);
}
