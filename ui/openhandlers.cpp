#include "ui/mainwindow.h"

#include "settings/configdocument.h"
#include "settings/gamefolders.h"
#include "ui/desktop.h"
#include "ui/meterbar.h"
#include "ui/textwrap.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
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

} // namespace

void TfrmBrackwell::wireOpening()
{
    on(m_ui->OpenConfig1, &QAction::triggered, &TfrmBrackwell::OpenConfig1Click);

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
    const std::optional<QString> chosen = m_desktop.chooseOpenFile(
        this, openDialogFolder(), {QStringLiteral("Config files (*.cfg)"), QStringLiteral("All files (*)")});
    if (chosen)
        openConfigFile(*chosen);
}

QString TfrmBrackwell::openDialogFolder() const
{
    if (!m_lastConfigFolder.isEmpty())
        return m_lastConfigFolder;
    // The game's folder the one-click save writes into; where the game has none, the user's own.
    return oneClickFolder(m_desktop).value_or(m_desktop.homeFolder());
}

void TfrmBrackwell::rememberConfigFolder(const QString &path)
{
    m_lastConfigFolder = QFileInfo(path).absolutePath();
}

void TfrmBrackwell::openConfigLater(const QString &path)
{
    QTimer::singleShot(0, this, [this, path] { guarded([this, &path] { openConfigFile(path); }); });
}

void TfrmBrackwell::openConfigFile(const QString &path)
{
    ConfigDocument::Opening opening =
        ConfigDocument::open(path, m_desktop.readFile(path, maxConfigFileSize), configFileEncoding());
    if (!opening.document) {
        showError(opening.refusal);
        return;
    }
    applyConfig(opening.document->read(), opening.document->text());
    const OpenReport report = opening.document->report();
    // From here on "Create Config" edits the file's own text.
    setDocument(std::move(opening.document));
    rememberConfigFolder(path);
    if (!report.text.isEmpty())
        m_desktop.showReport(this, report.text, report.details);
}

void TfrmBrackwell::applyConfig(const ConfigRead &read, const QString &text)
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
