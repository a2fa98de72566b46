#pragma once

namespace brackwell {

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

// The program: set-up, the two windows, the event loop until the main window closes.
int run(int &argc, char **argv);

} // namespace brackwell
