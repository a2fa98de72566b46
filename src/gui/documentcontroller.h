#pragma once

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
class ConfigDocument;
struct ConfigRead;
struct WriteFailure;

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

protected:
    ~DocumentView() = default;
};

// The file the window edits and everything that happens to it: opening, both saves, the copy kept
// of a file before it is replaced, the recent list, the questions before work could be lost, and the
// window's title. Without a file open, the saves write the box as a script of the window's own.
class DocumentController : public QObject
{
    Q_OBJECT

public:
    DocumentController(Desktop &desktop, DocumentView &view, QPlainTextEdit *box);
    ~DocumentController() override;

    const ConfigDocument *document() const { return m_document.get(); }
    // The encoding a save writes the box in.
    QStringConverter::Encoding saveEncoding() const;

    // "Create Config" with a file open: the box's text with the window's state put into it.
    void putStateIntoBox(const GenerationInput &now);
    // New Config: no file is edited from now on.
    void close();

    // Reads a config file into the window once changes not saved may go; a file that cannot be read
    // leaves the window as it was.
    void openFile(const QString &path);
    void openWithDialog(const QString &folder);
    // An entry of File > Open Recent; a file found gone leaves the list.
    void openRecent(const QString &path);
    // Where the open-file dialog starts.
    QString openDialogFolder() const;

    void saveOneClick();
    void saveWithDialog();

    // Whether the window's work may be dropped: with changes not saved, the user is asked to save
    // them (to the opened file), to discard them, or to stay (false).
    bool changesMayGo();
    // A control the generator reads changed: the title's "*" follows.
    void stateChanged();

private:
    enum class SaveKind { OneClick, Dialog };
    void setDocument(std::unique_ptr<ConfigDocument> document);
    void refreshModified();
    bool tabsDifferFrom(const ConfigRead &read) const;
    void rememberConfigFolder(const QString &path);
    void open(const QString &path);
    bool saveToOpenedFile();
    // True when the file was written.
    bool write(SaveKind kind, const QString &path, const QByteArray &bytes);
    bool fail(SaveKind kind, const QString &path, const WriteFailure &failure);
    // Whether Brackwell wrote the file as it is now.
    bool isOwnOutput(const QString &file);
    bool isOpenDocument(const QString &path) const;
    // Before a save onto the open file: may it go, though another program may have changed the file?
    bool mayWriteOverOpenFile(const QString &path);
    bool mayReplaceWithOneClick(const QString &file, const QString &folder);
    void showError(const QString &text, const QString &details = {});

    Desktop &m_desktop;
    DocumentView &m_view;
    QPlainTextEdit *m_box;
    // The opened file the window edits; none before an open and after New Config.
    std::unique_ptr<ConfigDocument> m_document;
    // In edit mode, the lines that differ from the file as last opened or saved.
    ChangeTint *m_tint;
    QString m_designedTitle;
    QString m_lastConfigFolder; // of the config last saved or opened in this session
};

} // namespace brackwell
