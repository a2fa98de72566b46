#include "gui/documentcontroller.h"

#include "document/configdocument.h"
#include "document/filebytes.h"
#include "document/textlines.h"
#include "gui/changetint.h"
#include "gui/desktop.h"
#include "gui/outputhighlighter.h"
#include "platform/backup.h"
#include "platform/gameconfigs.h"
#include "platform/gamefolders.h"
#include "platform/savemessages.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QWidget>

#include <cstring>

namespace brackwell {

namespace {

// A copy kept before a save is at most this large; a larger file is copied but not held in memory.
constexpr qint64 maxRestoredCopy = 16 * 1024 * 1024;

QString native(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// A file as the record of what Brackwell wrote knows it: through a link, the file it points to.
QString recordKeyOf(const QString &path)
{
    const QString replaced = replacedFile(path);
    return writeRecordKey(replaced.isEmpty() ? QFileInfo(path).absoluteFilePath() : replaced);
}

// The details under a failed save: the file and the system's reason.
QString failureDetails(const QString &path, const WriteFailure &failure)
{
    QString details = QStringLiteral("File: %1").arg(native(path));
    if (!failure.description.isEmpty())
        details += QStringLiteral("\nReason: %1.").arg(systemReason(failure.description));
    return details;
}

// A file the user keeps read-only on purpose, so that the game does not rewrite it.
WriteFailure readOnlyFailure()
{
    return {WriteFailure::Stage::Create, 5, 0, QStringLiteral("The file is read-only")};
}

bool sameValue(const SettingValue &a, const SettingValue &b)
{
    // A switched-off row writes nothing, whatever its control holds.
    if (a.enabled != b.enabled)
        return false;
    return !a.enabled || (a.checked == b.checked && a.text == b.text);
}

bool sameTick(const KeyedTick &a, const KeyedTick &b)
{
    // The game reads key names in any capitals; an unticked bind writes no key.
    return a.ticked == b.ticked && (!a.ticked || a.key.compare(b.key, Qt::CaseInsensitive) == 0);
}

bool sameState(const GenerationInput &a, const GenerationInput &b)
{
    if (a.unbindAll != b.unbindAll)
        return false;
    for (std::size_t i = 0; i < a.settings.size(); ++i)
        if (!sameValue(a.settings[i], b.settings[i]))
            return false;
    for (std::size_t i = 0; i < a.scripts.size(); ++i)
        if (!sameTick(a.scripts[i], b.scripts[i]))
            return false;
    for (std::size_t i = 0; i < a.classes.size(); ++i)
        if (!sameTick(a.classes[i], b.classes[i]))
            return false;
    return true;
}

} // namespace

DocumentController::DocumentController(Desktop &desktop, DocumentView &view, QPlainTextEdit *box)
    : m_desktop(desktop)
    , m_view(view)
    , m_box(box)
    , m_tint(new ChangeTint(box))
    , m_designedTitle(view.viewWindow()->windowTitle())
{
    connect(m_tint, &ChangeTint::differsChanged, this, &DocumentController::refreshModified);
}

DocumentController::~DocumentController() = default;

QStringConverter::Encoding DocumentController::saveEncoding() const
{
    // An opened file is written back in the encoding it came in, so its lines keep their bytes.
    return m_document ? m_document->encoding() : configFileEncoding();
}

void DocumentController::putStateIntoBox(const GenerationInput &now)
{
    // The box as the player sees it, typed lines and added binds included, is what is edited.
    m_view.changeBoxText(m_document->edit(m_view.boxText(), now));
    m_tint->showFirst();
}

void DocumentController::close()
{
    setDocument(nullptr);
}

void DocumentController::setDocument(std::unique_ptr<ConfigDocument> document)
{
    m_document = std::move(document);
    // The marks count the bytes of the file as a save writes it.
    if (auto *highlighter = m_box->findChild<OutputHighlighter *>())
        highlighter->setSavedEncoding(saveEncoding());
    // The desktop's way of naming the file a window edits, "*" after it while it has changes.
    m_view.viewWindow()->setWindowTitle(m_document ? QFileInfo(m_document->path()).fileName() +
                                                         QStringLiteral("[*] \u2014 ") + m_designedTitle
                                                   : m_designedTitle);
    if (m_document)
        m_tint->follow(m_document->savedText());
    else
        m_tint->stop();
    refreshModified();
}

void DocumentController::stateChanged()
{
    refreshModified();
}

bool DocumentController::tabsDifferFrom(const ConfigRead &read) const
{
    return !sameState(m_view.windowState(), read.input);
}

void DocumentController::refreshModified()
{
    // Where the box is the file as saved, what it holds is the document's own reading.
    const bool modified = m_document && (m_tint->differs() || tabsDifferFrom(m_document->read()));
    m_view.viewWindow()->setWindowModified(modified);
}

bool DocumentController::changesMayGo()
{
    if (!m_document)
        return true;
    const bool boxChanged = m_tint->differs();
    const QString boxNow = m_view.boxText();
    const bool tabsChanged =
        tabsDifferFrom(boxChanged ? readConfig(boxNow, m_document->encoding() == QStringConverter::Utf8)
                                  : m_document->read());
    if (!boxChanged && !tabsChanged)
        return true;
    QString question = QStringLiteral("Do you want to save the changes to \"%1\"?")
                           .arg(QFileInfo(m_document->path()).fileName());
    if (tabsChanged)
        question += QStringLiteral("\nSettings changed on the tabs have not been put into the config yet: "
                                   "\"Create Config\" puts them in.");
    switch (m_desktop.askToSaveChanges(m_view.viewWindow(), question)) {
    case Desktop::Unsaved::Save: return saveToOpenedFile();
    case Desktop::Unsaved::Discard: return true;
    case Desktop::Unsaved::Cancel: break;
    }
    return false;
}

// Opening

void DocumentController::openFile(const QString &path)
{
    if (changesMayGo())
        open(path);
}

void DocumentController::open(const QString &path)
{
    ConfigDocument::Opening opening =
        ConfigDocument::open(path, m_desktop.readFile(path, maxConfigFileSize), configFileEncoding());
    if (!opening.document) {
        showError(opening.refusal, QStringLiteral("File: %1").arg(native(path)));
        return;
    }
    // From here on "Create Config" edits the file's own text.
    std::unique_ptr<ConfigDocument> document = std::move(opening.document);
    const OpenReport report = document->report();
    m_view.showOpened(document->read(), document->text());
    setDocument(std::move(document));
    rememberConfigFolder(path);
    if (!report.text.isEmpty())
        m_desktop.showReport(m_view.viewWindow(), report.text, report.details);
}

void DocumentController::openWithDialog(const QString &folder)
{
    static const QStringList filters = {QStringLiteral("Config files (*.cfg)"), QStringLiteral("All files (*)")};
    const std::optional<QString> chosen =
        m_desktop.chooseOpenFile(m_view.viewWindow(), folder, filters, gameConfigFolders(gameFolders(m_desktop)));
    if (chosen)
        openFile(*chosen);
}

void DocumentController::openRecent(const QString &path)
{
    openFile(path);
    // Gone, or a folder now: the open said so, and the list forgets it.
    if (!QFileInfo(path).isFile()) {
        QStringList files = m_desktop.recentFiles();
        files.removeAll(path);
        m_desktop.setRecentFiles(files);
    }
}

QString DocumentController::openDialogFolder() const
{
    if (!m_lastConfigFolder.isEmpty())
        return m_lastConfigFolder;
    // The game's folder the one-click save writes into; where the game has none, the user's own.
    return oneClickFolder(m_desktop).value_or(m_desktop.homeFolder());
}

void DocumentController::rememberConfigFolder(const QString &path)
{
    const QFileInfo file(path);
    m_lastConfigFolder = file.absolutePath();
    QStringList recent = m_desktop.recentFiles();
    recent.removeAll(file.absoluteFilePath());
    recent.prepend(file.absoluteFilePath());
    m_desktop.setRecentFiles(recent.mid(0, recentConfigCount));
}

// Saving

void DocumentController::saveOneClick()
{
    // An opened file ends as the box does; a script of the window's own gets one more line break.
    const QString box = m_view.boxText();
    const ScriptBytes script =
        m_document ? m_document->bytesFor(box) : encodeScript(oneClickText(box), configFileEncoding());
    if (!script.ok()) {
        showError(script.error);
        return;
    }
    const GameFolderChoice target = oneClickChoice(m_desktop);
    if (!target.folder) {
        if (target.refused.isEmpty())
            showError(oneClickFailureMessage(noGameFolder()), noGameFolderDetails(gameFolders(m_desktop)));
        else
            showError(unwritableGameFolderMessage(target.refused));
        return;
    }
    const QString file = oneClickFile(*target.folder);
    if (!mayReplaceWithOneClick(file, *target.folder) || !mayWriteOverOpenFile(file))
        return;
    write(SaveKind::OneClick, file, script.bytes);
}

bool DocumentController::mayReplaceWithOneClick(const QString &file, const QString &folder)
{
    const QString replaced = replacedFile(file);
    if (replaced.isEmpty() || m_desktop.isReadOnly(replaced))
        return true; // nothing to replace, or the save refuses it anyway
    const bool own = isOwnOutput(replaced);
    const QString copy = own ? QString()
                             : QStringLiteral(" A copy of it is kept as \"%1\".").arg(native(backupFile(replaced)));
    if (m_document && !isOpenDocument(file))
        return m_desktop.askQuestion(m_view.viewWindow(),
                                     QStringLiteral("One-Click Save writes \"%1\", not the file open here, \"%2\".\n"
                                                    "Do you want to replace \"%1\" with this config?%3")
                                         .arg(native(file), native(m_document->path()), copy));
    // The game's own installation folder is the one-click save's from the start; the other folders
    // are where players keep configs of their own.
    const QStringList folders = gameFolders(m_desktop);
    const bool designedFolder = !folders.isEmpty() && QDir::cleanPath(folders.front()) == QDir::cleanPath(folder);
    if (designedFolder || own || m_document)
        return true;
    return m_desktop.askQuestion(m_view.viewWindow(),
                                 QStringLiteral("\"%1\" holds a config Brackwell did not write.\n"
                                                "Do you want to replace it?%2")
                                     .arg(native(file), copy));
}

void DocumentController::saveWithDialog()
{
    // Checked before the dialog opens, so the user is not sent to pick a file that cannot be written.
    const ScriptBytes script = m_document ? m_document->bytesFor(m_view.boxText())
                                          : encodeScript(m_view.boxText(), configFileEncoding());
    if (!script.ok()) {
        showError(script.error);
        return;
    }
    // An opened file is proposed for saving it again, in its own folder.
    QString suggestion = m_document ? m_document->path() : QString(QLatin1StringView(dialogFileName));
    for (;;) {
        const std::optional<QString> chosen =
            m_desktop.chooseSaveFile(m_view.viewWindow(), suggestion, QLatin1StringView(configSuffix));
        if (!chosen)
            return;
        const QString target = withConfigSuffix(*chosen);
        const QFileInfo existing(target);
        // A folder is not asked about: writing fails with its own message; nor is a file the save refuses.
        if (!existing.exists() || existing.isDir() || m_desktop.isReadOnly(target) ||
            m_desktop.askQuestion(m_view.viewWindow(), replaceQuestion(target))) {
            if (mayWriteOverOpenFile(target))
                write(SaveKind::Dialog, target, script.bytes);
            return;
        }
        // "No" goes back to the dialog, on the name the user chose.
        suggestion = target;
    }
}

bool DocumentController::saveToOpenedFile()
{
    const ScriptBytes script = m_document->bytesFor(m_view.boxText());
    if (!script.ok()) {
        showError(script.error);
        return false;
    }
    const QString path = m_document->path();
    return mayWriteOverOpenFile(path) && write(SaveKind::Dialog, path, script.bytes);
}

bool DocumentController::isOpenDocument(const QString &path) const
{
    return m_document && recordKeyOf(path) == recordKeyOf(m_document->path());
}

bool DocumentController::mayWriteOverOpenFile(const QString &path)
{
    if (!isOpenDocument(path) || !QFileInfo(path).isFile())
        return true; // gone from the disk: there is nothing of another program's to lose
    const FileRead now = m_desktop.readFile(path, maxRestoredCopy);
    if (now.ok() && now.bytes == m_document->fileBytes())
        return true;
    const QString question = QStringLiteral("\"%1\" has changed on disk since it was opened or saved here, "
                                            "perhaps by the game.\nOverwrite it with the config in the box, "
                                            "or reload it and lose the changes made here?")
                                 .arg(native(path));
    switch (m_desktop.askChangedOnDisk(m_view.viewWindow(), question)) {
    case Desktop::ChangedOnDisk::Overwrite: return true;
    case Desktop::ChangedOnDisk::Reload: open(path); return false;
    case Desktop::ChangedOnDisk::Cancel: break;
    }
    return false;
}

bool DocumentController::isOwnOutput(const QString &file)
{
    const QByteArray recorded = m_desktop.writtenHash(writeRecordKey(file));
    if (recorded.isEmpty())
        return false;
    const FileRead now = m_desktop.readFile(file, maxRestoredCopy);
    return now.ok() && contentHash(now.bytes) == recorded;
}

bool DocumentController::fail(SaveKind kind, const QString &path, const WriteFailure &failure)
{
    showError(kind == SaveKind::OneClick ? oneClickFailureMessage(failure) : dialogFailureMessage(path, failure),
              failureDetails(path, failure));
    return false;
}

bool DocumentController::write(SaveKind kind, const QString &path, const QByteArray &bytes)
{
    const QString replaced = replacedFile(path);
    if (!replaced.isEmpty() && m_desktop.isReadOnly(replaced))
        return fail(kind, path, readOnlyFailure());

    // A version Brackwell did not write (the player's, the game's) is kept beside the file first. The
    // copy it replaces is held, so that a save that then fails puts it back and changes nothing.
    struct Previous {
        QString file;
        bool existed = false;
        QByteArray bytes;
    };
    std::optional<Previous> previous;
    if (!replaced.isEmpty() && !isOwnOutput(replaced)) {
        const QString copy = backupFile(replaced);
        Previous before{copy, QFileInfo(copy).isFile(), {}};
        if (before.existed) {
            const FileRead held = m_desktop.readFile(copy, maxRestoredCopy);
            if (held.ok())
                before.bytes = held.bytes;
            else
                before.existed = false; // cannot be put back: left as the copy makes it
        }
        if (const std::optional<WriteFailure> failure = m_desktop.copyFile(replaced, copy)) {
            showError(backupFailureMessage(replaced, systemReason(failure->description)),
                      failureDetails(copy, *failure));
            return false;
        }
        previous = std::move(before);
    }
    if (const std::optional<WriteFailure> failure = m_desktop.writeFile(path, bytes)) {
        if (previous) {
            if (previous->existed)
                m_desktop.writeFile(previous->file, previous->bytes);
            else
                m_desktop.removeFile(previous->file);
        }
        return fail(kind, path, *failure);
    }
    m_desktop.setWrittenHash(recordKeyOf(path), contentHash(bytes));
    rememberConfigFolder(path);
    if (m_document) {
        // The file just written is the one being edited from now on, as it was written.
        m_document->saved(path, bytes, m_view.boxText());
        setDocument(std::move(m_document));
    }
    m_desktop.showMessage(m_view.viewWindow(), QLatin1StringView(savedMessage),
                          QStringLiteral("Written to %1").arg(native(path)));
    return true;
}

void DocumentController::showError(const QString &text, const QString &details)
{
    m_desktop.showError(m_view.viewWindow(), withFullStop(text), details);
}

} // namespace brackwell
