#pragma once

#include "gui/documentcontroller.h"
#include "document/boundkeys.h"
#include "script/catalogue.h"
#include "script/generator.h"

#include <QMainWindow>
#include <QStringConverter>

#include <array>
#include <exception>
#include <memory>
#include <type_traits>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class ClickLabel;
class TForm3;

namespace Ui {
class TfrmBrackwell;
}

namespace brackwell {
class Desktop;
class FileLookout;
class Machine;
struct ConfigRead;
class ConfigDocument;
struct ScriptBytes;
}

// The main window. Its controls are the program's only store of the user's settings: handlers
// read them into the plain generation code at the moment of a click and write the result back.
class TfrmBrackwell : public QMainWindow, private brackwell::DocumentView
{
    Q_OBJECT

public:
    TfrmBrackwell(brackwell::Desktop &desktop, brackwell::Machine &machine, QWidget *parent = nullptr);
    ~TfrmBrackwell() override;

    // The controls of one setting row, looked up once by the catalogue's names.
    struct RowWidgets {
        ClickLabel *caption = nullptr;
        QLabel *extraLabel = nullptr; // recoloured with the caption (gamma's explanation)
        QWidget *control = nullptr;
        QLineEdit *edit = nullptr;
        QCheckBox *check = nullptr;
        QComboBox *combo = nullptr;
    };
    struct KeyedWidgets {
        QCheckBox *check = nullptr;
        QLineEdit *key = nullptr;
    };

    const RowWidgets &row(int index) const { return m_rows[std::size_t(index)]; }

    // What the output box holds, character for character, with '\n' line breaks.
    QString outputText() const;

    // The state of every control the generator reads, as it is now.
    brackwell::GenerationInput readGenerationInput() const;

    void FormCreate();
    void btnCreateClick();

    // Presentation handlers (presentation.cpp).
    // One handler per kind of event serves all forty setting captions, by catalogue row.
    void captionClick(int row);
    void captionMouseEnter(int row);
    void captionMouseLeave();
    void colourCodeClick(const QString &code);
    void CBCHStyleChange();
    void NewConfig1Click();
    void Exit1Click();
    void BrackwellHelp1Click();
    void About1Click();
    // The colour the last caption click read from its caption (red in the low byte).
    static qint32 lastCaptionColour();

    // Saving handlers (savehandlers.cpp).
    void btnSaveClick();
    void btnSelectDestinationClick();
    void SaveConfig1Click();

    // Opening handlers (openhandlers.cpp).
    void OpenConfig1Click();
    // File > Open Recent and File > Game configs list what is there as they open.
    void OpenRecent1Show();
    void GameConfigs1Show();
    // Reads a config file into the window; a file that cannot be read leaves the window as it was.
    void openConfigFile(const QString &path) { m_documents->openFile(path); }
    // The same once the event loop runs, as start-up and a drop on the window ask for it.
    void openConfigLater(const QString &path);

    // Key binding handlers (keyslots.cpp).
    // The seventeen Select Key buttons: show the key picker and make `slot` the current key slot.
    void btnSelectKeyClick(int slot);
    void CBTypeOfBindChange();
    void CBTypeOfBindTextEdited();
    void btnAddBindClick();
    void btnAddCustomClick();
    // The picker registers itself when it is created and withdraws when it goes.
    void setKeyPicker(TForm3 *picker) { m_keyPicker = picker; }
    // With a file open, the keys the output box's text leaves bound (by keyIdentity); none without.
    QHash<QString, brackwell::BoundKey> fileBoundKeys() const;
    // Before key slot `slot` gets `key`: true unless the key replaces a bind of the file and the
    // player, asked over `parent`, would rather pick another key.
    bool mayBindKey(QWidget *parent, int slot, const QString &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // With changes not saved the user is asked first; the window stays open unless they may go.
    void closeEvent(QCloseEvent *event) override;

private:
    void resolveControls();
    // Each area of the window wires its own controls, in its own source file.
    void wireGeneration();   // mainwindow.cpp
    void wirePresentation(); // presentation.cpp: captions, description bar, preview, colour codes, menus
    void wireSaving();       // savehandlers.cpp
    void wireKeyBinding();   // keyslots.cpp: Select Key buttons, free binds, extra variables
    void wireOpening();      // openhandlers.cpp: the Open Config menu item and dropped files

    // Runs a handler of this window (a member function or a lambda). Qt does not carry exceptions
    // through its event loop: one that leaves a handler ends in the error box, and the program goes on.
    template <typename Handler>
    void guarded(const Handler &handler)
    {
        try {
            if constexpr (std::is_member_function_pointer_v<Handler>)
                (this->*handler)();
            else
                handler();
        } catch (const std::exception &error) {
            showError(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            showError(tr("Unexpected error"));
        }
    }
    // Connects a control's signal to a guarded handler.
    template <typename Sender, typename Signal, typename Handler>
    void on(Sender *sender, Signal signal, Handler handler)
    {
        connect(sender, signal, this, [this, handler] { guarded(handler); });
    }
    void showError(const QString &text, const QString &details = {});

    std::unique_ptr<Ui::TfrmBrackwell> m_ui;
    brackwell::Desktop &m_desktop;
    brackwell::Machine &m_machine;
    std::array<RowWidgets, brackwell::SettingCount> m_rows;
    QCheckBox *m_unbindAll = nullptr;
    std::array<KeyedWidgets, brackwell::ScriptCount> m_scripts;
    std::array<KeyedWidgets, brackwell::ClassBindCount> m_classes;

    // Presentation state (presentation.cpp).
    std::array<QWidget *, 10> m_previews{}; // Image1 .. Image10, crosshair style N at N - 1
    // Switches a setting row on (black caption, control enabled) or off, and puts the value in.
    void setRow(int row, const brackwell::SettingValue &value);

    // The file the window edits: opening, saving, copies, questions, the title.
    std::unique_ptr<brackwell::DocumentController> m_documents;
    // What the document controller asks of the window.
    QWidget *viewWindow() override { return this; }
    brackwell::GenerationInput windowState() const override { return readGenerationInput(); }
    QString boxText() const override { return outputText(); }
    void showOpened(const brackwell::ConfigRead &read, const QString &text) override;
    void changeBoxText(const QString &text) override;
    void showGeneration(const brackwell::GenerationResult &result) override;
    // Tells the controller of every change to a control the generator reads.
    void watchState();

    // Opening state (openhandlers.cpp): whether the recent configs are there, looked at in the background.
    brackwell::FileLookout *m_recentLookout = nullptr;

    // Key binding state (keyslots.cpp).
    TForm3 *m_keyPicker = nullptr;
    void appendOutputLine(const QString &line);
};
