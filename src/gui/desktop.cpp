#include "gui/desktop.h"

#include <QAccessible>
#include <QApplication>
#include <QCommandLineParser>
#include <QPushButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTextEdit>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include "platform/win32files.h"
#endif

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

// Shows a file dialog; the file the user chose, or nothing when they cancelled.
std::optional<QString> chosenFile(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.constFirst().isEmpty())
        return std::nullopt;
    return files.constFirst();
}

class SystemDesktop final : public Desktop
{
public:
    void showMessage(QWidget *parent, const QString &text, const QString &informative) override
    {
        const std::unique_ptr<QMessageBox> box = makeMessageBox(QMessageBox::NoIcon, text, QMessageBox::Ok, parent);
        box->setInformativeText(informative);
        runCentred(*box);
    }

    void showReport(QWidget *parent, const QString &text, const QString &details) override
    {
        const std::unique_ptr<QMessageBox> box = makeMessageBox(QMessageBox::NoIcon, text, QMessageBox::Ok, parent);
        setReadableDetails(*box, details);
        runCentred(*box);
    }

    void showError(QWidget *parent, const QString &text, const QString &details, const QString &informative) override
    {
        const std::unique_ptr<QMessageBox> box = makeMessageBox(QMessageBox::Critical, text, QMessageBox::Ok, parent);
        box->setInformativeText(informative);
        setReadableDetails(*box, details);
        box->exec();
    }

    bool askQuestion(QWidget *parent, const QString &text) override
    {
        const std::unique_ptr<QMessageBox> box =
            makeMessageBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, parent);
        box->setDefaultButton(QMessageBox::No);
        return box->exec() == QMessageBox::Yes;
    }

    Unsaved askToSaveChanges(QWidget *parent, const QString &text) override
    {
        const std::unique_ptr<QMessageBox> box = makeMessageBox(
            QMessageBox::Warning, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
        box->setDefaultButton(QMessageBox::Save);
        box->setEscapeButton(QMessageBox::Cancel);
        switch (box->exec()) {
        case QMessageBox::Save: return Unsaved::Save;
        case QMessageBox::Discard: return Unsaved::Discard;
        default: return Unsaved::Cancel;
        }
    }

    ChangedOnDisk askChangedOnDisk(QWidget *parent, const QString &text) override
    {
        const std::unique_ptr<QMessageBox> box = makeMessageBox(QMessageBox::Warning, text, QMessageBox::Cancel, parent);
        QPushButton *overwrite = box->addButton(QStringLiteral("&Overwrite"), QMessageBox::DestructiveRole);
        QPushButton *reload = box->addButton(QStringLiteral("&Reload"), QMessageBox::AcceptRole);
        box->setDefaultButton(QMessageBox::Cancel);
        box->setEscapeButton(QMessageBox::Cancel);
        box->exec();
        if (box->clickedButton() == overwrite)
            return ChangedOnDisk::Overwrite;
        return box->clickedButton() == reload ? ChangedOnDisk::Reload : ChangedOnDisk::Cancel;
    }

    std::optional<int> askLineNumber(QWidget *parent, int current, int last) override
    {
        bool ok = false;
        const int line = QInputDialog::getInt(parent, QGuiApplication::applicationDisplayName(),
                                              QStringLiteral("Go to line:"), current, 1, last, 1, &ok);
        return ok ? std::optional<int>(line) : std::nullopt;
    }

    std::optional<QString> chooseSaveFile(QWidget *parent, const QString &suggestedName,
                                          const QString &defaultSuffix) override
    {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        // Some dialogs confirm the typed name before the suffix is added, so they would ask about
        // the wrong file; the caller asks about the one it really writes.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        // A full path opens the dialog in its folder: the native dialogs take only a name to select.
        const QFileInfo suggested(suggestedName);
        if (suggestedName.contains(u'/') || suggestedName.contains(u'\\')) {
            dialog.setDirectory(suggested.absolutePath());
            dialog.selectFile(suggested.fileName());
        } else {
            dialog.selectFile(suggestedName);
        }
        return chosenFile(dialog);
    }

    std::optional<QString> chooseOpenFile(QWidget *parent, const QString &folder, const QStringList &filters,
                                          const QStringList &places) override
    {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(filters);
        dialog.setDirectory(folder);
        QList<QUrl> sideBar = dialog.sidebarUrls();
        for (const QString &place : places)
            sideBar << QUrl::fromLocalFile(place);
        dialog.setSidebarUrls(sideBar);
        return chosenFile(dialog);
    }

};

} // namespace

void answerTextOptions(QCommandLineParser &parser, const QCoreApplication &app)
{
#ifdef Q_OS_WIN
    // A Windows program without a console window of its own gets Qt's answer in a message box,
    // even when it was started from a terminal or its output is sent to a file: it prints itself
    // wherever the output can go.
    if (win32::attachStandardOutput() && parser.parse(app.arguments())) {
        if (parser.isSet(QStringLiteral("help"))) {
            std::fputs(qPrintable(parser.helpText()), stdout);
            std::fflush(stdout);
            std::exit(EXIT_SUCCESS);
        }
        if (parser.isSet(QStringLiteral("version"))) {
            std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                        qPrintable(QCoreApplication::applicationVersion()));
            std::fflush(stdout);
            std::exit(EXIT_SUCCESS);
        }
    }
#endif
    parser.process(app);
}

std::unique_ptr<QMessageBox> makeMessageBox(QMessageBox::Icon icon, const QString &text,
                                            QMessageBox::StandardButtons buttons, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(icon, QGuiApplication::applicationDisplayName(), text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    // A user can select and copy what a box says, such as the path in a failed save.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return box;
}

namespace {

// Showing a box's details takes the focus there; hiding them tells a reader the button's new name.
class DetailsShown : public QObject
{
public:
    DetailsShown(QTextEdit *text, QAbstractButton *toggle)
        : QObject(text)
        , m_toggle(toggle)
    {
        text->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            static_cast<QWidget *>(watched)->setFocus(Qt::OtherFocusReason);
        } else if (event->type() == QEvent::Hide && m_toggle) {
            QAccessibleEvent renamed(m_toggle, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&renamed);
        }
        return false;
    }

private:
    QPointer<QAbstractButton> m_toggle;
};

} // namespace

void setReadableDetails(QMessageBox &box, const QString &details)
{
    box.setDetailedText(details);
    auto *text = box.findChild<QTextEdit *>();
    if (!text)
        return;
    text->setAccessibleName(QStringLiteral("Details"));
    text->setFocusPolicy(Qt::StrongFocus);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QAbstractButton *toggle = nullptr;
    for (QAbstractButton *button : box.findChildren<QAbstractButton *>()) {
        if (box.buttonRole(button) == QMessageBox::ActionRole)
            toggle = button;
    }
    new DetailsShown(text, toggle);
}

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
