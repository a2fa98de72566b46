// The yardstick for start-up figures: a bare Qt Widgets window, built with the same Qt and flags.
#include "firstpaint.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(793, 517);
    window.setWindowTitle(QStringLiteral("Bare"));
    FirstPaint probe(&window);
    window.show();
    return app.exec();
}
