#pragma once

#include "script/slottable.h"

#include <QWidget>

#include <array>
#include <memory>

class QLineEdit;
class TfrmBrackwell;

namespace Ui {
class TForm3;
}

// The key picker: an on-screen keyboard and mouse. A click on a key shows its key name; OK puts
// that name into the edit box of the current key slot on the main window. Exactly one exists, from
// start-up to the end of the program; closing it only hides it.
class TForm3 : public QWidget
{
    Q_OBJECT

public:
    // The main window must outlive the picker; the picker attaches itself to it.
    explicit TForm3(TfrmBrackwell &mainWindow, QWidget *parent = nullptr);
    ~TForm3() override;

    // Modeless: the main window stays usable. Keeps the picked key and the current slot.
    void showPicker();

    // The current key slot, 0 until a Select Key button sets it to 1..17.
    int keySlot() const { return m_keySlot; }
    void setKeySlot(int slot) { m_keySlot = slot; }

    void btnKeyOKClick();

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    // The designed size is the outer one, frame included. The frame belongs to the window
    // manager and is known only once the window is on the screen, so the client area follows it.
    void fitOuterSize();
    void createKeyButtons();
    void wireMouseButtons();
    // With a file open, each key it binds tinted, its tip naming the command; else as designed.
    void showBoundKeys();

    std::unique_ptr<Ui::TForm3> m_ui;
    TfrmBrackwell &m_mainWindow;
    std::array<QLineEdit *, brackwell::KeySlotCount> m_slotEdits{}; // slot N at N - 1
    int m_keySlot = 0;
};
