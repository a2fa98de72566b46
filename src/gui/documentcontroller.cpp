#include "gui/documentcontroller.h"

#include "document/configdocument.h"
#include "document/configedit.h"
#include "document/filebytes.h"
#include "document/textlines.h"
#include "gui/announce.h"
#include "gui/changetint.h"
#include "gui/desktop.h"
#include "gui/outputhighlighter.h"
#include "gui/textwrap.h"
#include "platform/gameconfigs.h"
#include "platform/machine.h"
#include "platform/savemessages.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QWidget>

namespace brackwell {

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
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

DocumentController::DocumentController(Desktop &desktop, Machine &machine, DocumentView &view, QPlainTextEdit *box)
    : m_desktop(desktop)
    , m_machine(machine)
    , m_view(view)
    , m_box(box)
    , m_saves(machine)
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

// The box

void DocumentController::changeBox(const QString &text)
{
    // What the player typed and kept through the change stays theirs.
    m_typedBefore = typedLines();
    m_view.changeBoxText(text);
    m_programText = m_view.boxText();
}

bool DocumentController::typedLines() const
{
    return m_typedBefore || m_view.boxText() != m_programText;
}

bool DocumentController::createConfig()
{
    const GenerationInput input = m_view.windowState();
    const GenerationResult result = generate(input);
    m_createdFrom = input;
    if (!m_document) {
        // A script of the window's own in place of the box's text: what the player typed there goes,
        // until an undo brings it back.
        wrapFor(m_box, result.text);
        changeBox(result.text);
        m_typedBefore = false;
    } else if (const QString refusal = unwritableValueMessage(input); !refusal.isEmpty()) {
        showError(refusal); // the file stays as it is
        return false;
    } else if (result.ok()) { // a pass that stops leaves the document whole
        // The box as the player sees it, typed lines and added binds included, is what is edited.
        changeBox(m_document->edit(m_view.boxText(), input));
        m_tint->showFirst();
    }
    m_view.showGeneration(result);
    return result.ok();
}

void DocumentController::close()
{
    setDocument(nullptr);
}

void DocumentController::startAfresh()
{
    m_programText = m_view.boxText();
    m_typedBefore = false;
    m_createdFrom = m_view.windowState();
    takeAsSaved();
}

void DocumentController::takeAsSaved()
{
    m_savedState = m_view.windowState();
    m_savedBox = m_view.boxText();
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

bool DocumentController::holdsWork() const
{
    // Settings, or lines the player typed or added, that no save holds yet. A box the program
    // filled itself from the tabs can be made again.
    return !sameState(m_view.windowState(), m_savedState) ||
           (typedLines() && m_view.boxText() != m_savedBox);
}

bool DocumentController::changesMayGo()
{
    QString question;
    bool tabsChanged = false;
    if (m_document) {
        const bool boxChanged = m_tint->differs();
        const QString boxNow = m_view.boxText();
        tabsChanged = tabsDifferFrom(boxChanged ? readConfig(boxNow, m_document->encoding() == QStringConverter::Utf8)
                                                : m_document->read());
        if (!boxChanged && !tabsChanged)
            return true;
        question = QStringLiteral("Do you want to save the changes to \"%1\"?")
                       .arg(QFileInfo(m_document->path()).fileName());
    } else {
        if (!holdsWork())
            return true;
        tabsChanged = !sameState(m_view.windowState(), m_createdFrom);
        question = QStringLiteral("Do you want to save the config made here?");
    }
    if (tabsChanged)
        question += QStringLiteral("\nSettings changed on the tabs have not been put into the config yet: "
                                   "\"Create Config\" puts them in.");
    switch (m_desktop.askToSaveChanges(m_view.viewWindow(), question)) {
    case Desktop::Unsaved::Save: return m_document ? saveOpenedFile() : saveChosenFile(true);
    case Desktop::Unsaved::Discard: return true;
    case Desktop::Unsaved::Cancel: break;
    }
    return false;
}

std::optional<QString> DocumentController::boxWithTabsPutIn()
{
    const QString box = m_view.boxText();
    const GenerationInput now = m_view.windowState();
    const bool utf8 = m_document && m_document->encoding() == QStringConverter::Utf8;
    const ConfigRead read = readConfig(box, utf8);
    if (sameState(now, m_document ? read.input : m_createdFrom))
        return box;
    // In the box itself, so that the player sees what is saved: as "Create Config" does, but
    // without a file open too the lines the player typed stay.
    if (m_document || !typedLines())
        return createConfig() ? std::optional<QString>(m_view.boxText()) : std::nullopt;
    if (const QString refusal = unwritableValueMessage(now); !refusal.isEmpty()) {
        showError(refusal);
        return std::nullopt;
    }
    changeBox(editConfig(box, read, now));
    return m_view.boxText();
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
        ConfigDocument::open(path, m_machine.readFile(path, maxConfigFileSize), configFileEncoding());
    if (!opening.document) {
        showError(opening.refusal, QStringLiteral("File: %1").arg(native(path)));
        return;
    }
    // From here on "Create Config" edits the file's own text.
    std::unique_ptr<ConfigDocument> document = std::move(opening.document);
    const OpenReport report = document->report();
    m_view.showOpened(document->read(), document->text());
    m_programText = m_view.boxText();
    m_typedBefore = false;
    setDocument(std::move(document));
    rememberConfigFolder(path);
    if (!report.text.isEmpty())
        m_desktop.showReport(m_view.viewWindow(), report.text, report.details);
}

void DocumentController::openWithDialog(const QString &folder)
{
    static const QStringList filters = {QStringLiteral("Config files (*.cfg)"), QStringLiteral("All files (*)")};
    const std::optional<QString> chosen =
        m_desktop.chooseOpenFile(m_view.viewWindow(), folder, filters, gameConfigFolders(gameFolders(m_machine)));
    if (chosen)
        openFile(*chosen);
}

void DocumentController::openRecent(const QString &path)
{
    openFile(path);
    // Gone, or a folder now: the open said so, and the list forgets it.
    if (!QFileInfo(path).isFile()) {
        QStringList files = recentFiles(m_machine.settings());
        files.removeAll(path);
        setRecentFiles(m_machine.settings(), files);
    }
}

QString DocumentController::openDialogFolder()
{
    if (!m_lastConfigFolder.isEmpty())
        return m_lastConfigFolder;
    // The game's folder the one-click save writes into, as far as looking shows it: the dialog
    // makes no file there to try. Where the game has none, the user's own.
    return firstGameFolder(m_machine).value_or(m_machine.places().home);
}

void DocumentController::rememberConfigFolder(const QString &path)
{
    const QFileInfo file(path);
    m_lastConfigFolder = file.absolutePath();
    QStringList recent = recentFiles(m_machine.settings());
    recent.removeAll(file.absoluteFilePath());
    recent.prepend(file.absoluteFilePath());
    setRecentFiles(m_machine.settings(), recent.mid(0, recentConfigCount));
}

// Saving

std::optional<SaveRequest> DocumentController::request(const QString &boxText)
{
    // An opened file ends as the box does; a script of the window's own gets one more line break
    // from the one-click save, which asks for it itself.
    const ScriptBytes script =
        m_document ? m_document->bytesFor(boxText) : encodeScript(boxText, configFileEncoding());
    if (!script.ok()) {
        showError(script.error);
        return std::nullopt;
    }
    SaveRequest request{script.bytes, typedLines(), std::nullopt};
    if (m_document)
        request.open = OpenFile{m_document->path(), m_document->fileBytes()};
    return request;
}

void DocumentController::saveOneClick()
{
    const QString box = m_view.boxText();
    std::optional<SaveRequest> made = request(m_document ? box : oneClickText(box));
    if (made)
        finish(m_saves.saveOneClick(*made, *this), *made, box);
}

void DocumentController::saveWithDialog()
{
    saveChosenFile(false);
}

bool DocumentController::saveChosenFile(bool putTabsIn)
{
    // Checked before the dialog opens, so the user is not sent to pick a file that cannot be written.
    const std::optional<QString> shown = putTabsIn ? boxWithTabsPutIn() : std::optional<QString>(m_view.boxText());
    if (!shown)
        return false;
    const QString box = *shown;
    const std::optional<SaveRequest> made = request(box);
    if (!made)
        return false;
    // An opened file is proposed for saving it again, in its own folder.
    QString suggestion = m_document ? m_document->path() : QString(QLatin1StringView(dialogFileName));
    for (;;) {
        const std::optional<QString> chosen =
            m_desktop.chooseSaveFile(m_view.viewWindow(), suggestion, QLatin1StringView(configSuffix));
        if (!chosen)
            return false;
        const QString target = withConfigSuffix(*chosen);
        const SaveOutcome outcome = m_saves.saveChosen(target, *made, *this);
        if (outcome.result != SaveOutcome::Result::ChooseAgain)
            return finish(outcome, *made, box);
        // "No" goes back to the dialog, on the name the user chose.
        suggestion = target;
    }
}

bool DocumentController::saveOpenedFile()
{
    // What the window shows is saved: settings changed on the tabs go in first.
    const std::optional<QString> box = boxWithTabsPutIn();
    if (!box)
        return false;
    const std::optional<SaveRequest> made = request(*box);
    return made && finish(m_saves.saveOpenFile(*made, *this), *made, *box);
}

bool DocumentController::finish(const SaveOutcome &outcome, const SaveRequest &written, const QString &boxText)
{
    switch (outcome.result) {
    case SaveOutcome::Result::Saved: break;
    case SaveOutcome::Result::Failed:
        showError(outcome.text, outcome.details, outcome.informative);
        announce(outcome.text); // heard again where the window's focus is, once the box has gone
        return false;
    case SaveOutcome::Result::Reload: open(outcome.path); return false;
    case SaveOutcome::Result::Cancelled:
    case SaveOutcome::Result::ChooseAgain: return false;
    }
    rememberConfigFolder(outcome.path);
    if (m_document) {
        // The file just written is the one being edited from now on, as it was written.
        m_document->saved(outcome.path, written.bytes, boxText);
        setDocument(std::move(m_document));
    }
    takeAsSaved();
    m_desktop.showMessage(m_view.viewWindow(), outcome.text, outcome.informative);
    announce(outcome.text);
    return true;
}

void DocumentController::showError(const QString &text, const QString &details, const QString &informative)
{
    m_desktop.showError(m_view.viewWindow(), withFullStop(text), details, informative);
}

bool DocumentController::confirm(const QString &text)
{
    return m_desktop.askQuestion(m_view.viewWindow(), text);
}

SaveQuestions::ChangedOnDisk DocumentController::changedOnDisk(const QString &text)
{
    switch (m_desktop.askChangedOnDisk(m_view.viewWindow(), text)) {
    case Desktop::ChangedOnDisk::Overwrite: return ChangedOnDisk::Overwrite;
    case Desktop::ChangedOnDisk::Reload: return ChangedOnDisk::Reload;
    case Desktop::ChangedOnDisk::Cancel: break;
    }
    return ChangedOnDisk::Cancel;
}

} // namespace brackwell
