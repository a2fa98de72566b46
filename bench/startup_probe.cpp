// The program's own start-up, ended as soon as the main window has painted once: the measured
// side of bench_startup.
#include "app/startup.h"
#include "firstpaint.h"
#include "gui/desktop.h"
#include "platform/machine.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    brackwell::Program program(brackwell::systemDesktop(), brackwell::systemMachine());
    FirstPaint probe(&program.mainWindow());
    program.mainWindow().show();
    return app.exec();
}
