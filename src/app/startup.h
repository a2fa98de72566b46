#pragma once

#include "gui/keypicker.h"
#include "gui/mainwindow.h"

#include <memory>

namespace brackwell {

class Desktop;
class Machine;

// The process-wide set-up every window relies on: the application title, the picture formats the
// window descriptions' pictures are stored in, and the fonts. Lives from before the first window
// is created until after the last one is gone; it withdraws the picture formats when it ends.
class ApplicationSetup
{
public:
    ApplicationSetup();
    ~ApplicationSetup();
    ApplicationSetup(const ApplicationSetup &) = delete;
    ApplicationSetup &operator=(const ApplicationSetup &) = delete;
};

// The program's set-up and its two windows, made in their order: the main window first (it is the
// one whose closing ends the program), then the hidden key picker, which writes into it. The picker
// is made once the main window has painted for the first time: nothing can show it before then,
// and the first paint comes sooner without it.
class Program
{
public:
    Program(Desktop &desktop, Machine &machine);
    ~Program();

    TfrmBrackwell &mainWindow() { return m_mainWindow; }
    // Made now if the main window has not painted yet.
    TForm3 &keyPicker();

private:
    ApplicationSetup m_setup;
    TfrmBrackwell m_mainWindow;
    std::unique_ptr<TForm3> m_keyPicker;
};

// The program: its windows, then the event loop until the main window closes.
int run(int &argc, char **argv);

} // namespace brackwell
