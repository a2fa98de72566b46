#include "gui/mainwindow.h"

#include "ui_mainwindow.h"

// The two saves, as the document controller runs them.

void TfrmBrackwell::wireSaving()
{
    on(m_ui->btnSave, &QPushButton::clicked, &TfrmBrackwell::btnSaveClick);
    on(m_ui->btnSelectDestination, &QPushButton::clicked, &TfrmBrackwell::btnSelectDestinationClick);
    on(m_ui->SaveConfig1, &QAction::triggered, &TfrmBrackwell::SaveConfig1Click);
}

void TfrmBrackwell::btnSaveClick()
{
    m_documents->saveOneClick();
}

void TfrmBrackwell::btnSelectDestinationClick()
{
    m_documents->saveWithDialog();
}

void TfrmBrackwell::SaveConfig1Click()
{
    m_documents->saveWithDialog();
}
