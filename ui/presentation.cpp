#include "ui/mainwindow.h"

#include "ui_mainwindow.h"

void TfrmBrackwell::wirePresentation()
{
}
