#pragma once

#include "saving/savepolicy.h"
#include "script/generator.h"

#include <QObject>
#include <QString>
#include <QStringConverter>

#include <memory>

class ChangeTint;
class QPlainTextEdit;
class QWidget;

namespace brackwell {

class Desktop;
class Machine;
class ConfigDocument;
struct ConfigRead;

// How many configs File > Open Recent lists.
inline constexpr qsizetype recentConfigCount = 8;

// What the document controller needs of the main window: the window's state in, the box's text out.
class DocumentView
{
public:
    // The window boxes and dialogs stand over, whose title names the document.
    virtual QWidget *viewWindow() = 0;
    // The state of every control the generator reads, as it is now.
    virtual GenerationInput windowState() const = 0;
    // What the output box holds, with '\n' line breaks.
    virtual QString boxText() const = 0;
    // An opened file's state in the controls and its text in the box.
    virtual void showOpened(const ConfigRead &read, const QString &text) = 0;
    // `text` in the box as one step the user can undo.
    virtual void changeBoxText(const QString &text) = 0;
    // The bars as "Create Config" draws them for `result`, and its error where the pass stopped.
    virtual void showGeneration(const GenerationResult &result) = 0;

protected:
    ~DocumentView() = default;
};

// The file the window edits and the work in the window: opening, both saves (their rules are the
// save policy's), the recent list, the questions before work could be lost, and the window's title.
// Without a file open, the saves write the box as a script of the window's own.
class DocumentController : public QObject, private SaveQuestions
{
    Q_OBJECT

public:
    DocumentController(Desktop &desktop, Machine &machine, DocumentView &view, QPlainTextEdit *box);
    ~DocumentController() override;

    const ConfigDocument *document() const { return m_document.get(); }
    // The encoding a save writes the box in.
    QStringConverter::Encoding saveEncoding() const;

    // "Create Config": the window's state into the box, put into the open file's text, or as a
    // script of the window's own in place of the box's text. One step undo takes back. False
    // where the pass stopped and the box stayed as it was.
    bool createConfig();
    // New Config: no file is edited from now on.
    void close();
    // The window as it is now is nobody's work: a window just started or reset asks nothing.
    void startAfresh();

    // Reads a config file into the window once the work in it may go; a file that cannot be read
    // leaves the window as it was.
    void openFile(const QString &path);
    void openWithDialog(const QString &folder);
    // An entry of File > Open Recent; a file found gone leaves the list.
    void openRecent(const QString &path);
    // Where the open-file dialog starts.
    QString openDialogFolder();

    void saveOneClick();
    void saveWithDialog();

    // Whether the window's work may be dropped: where it holds work not saved, the user is asked to
    // save it, to discard it, or to stay (false).
    bool changesMayGo();
    // A control the generator reads changed: the title's "*" follows.
    void stateChanged();

private:
    void setDocument(std::unique_ptr<ConfigDocument> document);
    void refreshModified();
    bool tabsDifferFrom(const ConfigRead &read) const;
    bool holdsWork() const;
    bool typedLines() const;
    void takeAsSaved();
    void rememberConfigFolder(const QString &path);
    void open(const QString &path);
    // The box's text with the tabs' settings put in, as "Create Config" would; nothing where that
    // pass stops (its error shown).
    std::optional<QString> boxWithTabsPutIn();
    std::optional<SaveRequest> request(const QString &boxText);
    bool saveOpenedFile();
    // The dialog save; from the question before work goes, the tabs' settings put in first.
    bool saveChosenFile(bool putTabsIn);
    // Shows how a save ended; true where the file was written.
    bool finish(const SaveOutcome &outcome, const SaveRequest &written, const QString &boxText);
    // `text` in the box as the program's own change, one step the user can undo.
    void changeBox(const QString &text);
    void showError(const QString &text, const QString &details = {}, const QString &informative = {});

    // The save policy's questions, asked over the window.
    bool confirm(const QString &text) override;
    ChangedOnDisk changedOnDisk(const QString &text) override;

    Desktop &m_desktop;
    Machine &m_machine;
    DocumentView &m_view;
    QPlainTextEdit *m_box;
    SavePolicy m_saves;
    // The opened file the window edits; none before an open and after New Config.
    std::unique_ptr<ConfigDocument> m_document;
    // In edit mode, the lines that differ from the file as last opened or saved.
    ChangeTint *m_tint;
    QString m_designedTitle;
    QString m_lastConfigFolder; // of the config last saved or opened in this session
    // The box as the program last filled it; the box holds lines the player typed or added where
    // it differs, or where it held such lines when the program last changed it and kept them.
    QString m_programText;
    bool m_typedBefore = false;
    // Without a file open: the window as it was last started afresh or saved, and the settings
    // the box was last made from.
    GenerationInput m_savedState;
    QString m_savedBox;
    GenerationInput m_createdFrom;
};

} // namespace brackwell
