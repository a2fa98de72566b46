#include "gui/mainwindow.h"

#include "platform/backup.h"
#include "document/configdocument.h"
#include "document/filebytes.h"
#include "platform/gameconfigs.h"
#include "platform/gamefolders.h"
#include "platform/savemessages.h"
#include "document/textlines.h"
#include "gui/desktop.h"
#include "ui_mainwindow.h"

#include <QFileInfo>

using namespace brackwell;

void TfrmBrackwell::wireSaving()
{
    on(m_ui->btnSave, &QPushButton::clicked, &TfrmBrackwell::btnSaveClick);
    on(m_ui->btnSelectDestination, &QPushButton::clicked, &TfrmBrackwell::btnSelectDestinationClick);
    on(m_ui->SaveConfig1, &QAction::triggered, &TfrmBrackwell::SaveConfig1Click);
}

void TfrmBrackwell::btnSaveClick()
{
    // An opened file ends as the box does; a script of the window's own gets one more line break.
    const ScriptBytes script = encodeForSaving(m_document ? outputText() : oneClickText(outputText()));
    if (!script.ok()) {
        showError(script.error);
        return;
    }
    const GameFolderChoice target = oneClickChoice(m_desktop);
    if (!target.folder) {
        if (target.refused.isEmpty())
            showError(oneClickFailureMessage(noGameFolder()), noGameFolderDetails(gameFolders(m_desktop)));
        else
            showError(unwritableGameFolderMessage(target.refused));
        return;
    }
    writeOutput(SaveKind::OneClick, oneClickFile(*target.folder), script.bytes);
}

QStringConverter::Encoding TfrmBrackwell::saveEncoding() const
{
    // An opened file is written back in the encoding it came in, so its lines keep their bytes.
    return m_document ? m_document->encoding() : configFileEncoding();
}

ScriptBytes TfrmBrackwell::encodeForSaving(const QString &text) const
{
    // The opened file's own lines keep their bytes and line breaks even where reading lost some.
    return m_document ? m_document->bytesFor(text) : encodeScript(text, configFileEncoding());
}

void TfrmBrackwell::btnSelectDestinationClick()
{
    saveWithDialog();
}

void TfrmBrackwell::SaveConfig1Click()
{
    saveWithDialog();
}

void TfrmBrackwell::saveWithDialog()
{
    // Checked before the dialog opens, so the user is not sent to pick a file that cannot be written.
    const ScriptBytes script = encodeForSaving(outputText());
    if (!script.ok()) {
        showError(script.error);
        return;
    }
    // An opened file is proposed for saving it again.
    QString suggestion = m_document ? m_document->path() : QString(QLatin1StringView(dialogFileName));
    for (;;) {
        const std::optional<QString> chosen =
            m_desktop.chooseSaveFile(this, suggestion, QLatin1StringView(configSuffix));
        if (!chosen)
            return;
        const QString target = withConfigSuffix(*chosen);
        const QFileInfo existing(target);
        // A folder is not asked about: writing fails with its own message.
        if (!existing.exists() || existing.isDir() || m_desktop.askQuestion(this, replaceQuestion(target))) {
            writeOutput(SaveKind::Dialog, target, script.bytes);
            return;
        }
        // "No" goes back to the dialog, on the name the user chose.
        suggestion = target;
    }
}

bool TfrmBrackwell::saveToOpenedFile()
{
    const ScriptBytes script = encodeForSaving(outputText());
    if (!script.ok()) {
        showError(script.error);
        return false;
    }
    return writeOutput(SaveKind::Dialog, m_document->path(), script.bytes);
}

bool TfrmBrackwell::writeOutput(SaveKind kind, const QString &path, const QByteArray &bytes)
{
    // The file as it was is kept beside it before the run's first save replaces it; without that
    // copy it is not replaced.
    const QString replaced = replacedFile(path);
    if (!replaced.isEmpty() && m_backups.needsCopy(replaced)) {
        if (const std::optional<WriteFailure> failure = m_desktop.copyFile(replaced, backupFile(replaced))) {
            showError(backupFailureMessage(replaced, systemReason(failure->description)));
            return false;
        }
        m_backups.copied(replaced);
    }
    if (const std::optional<WriteFailure> failure = m_desktop.writeFile(path, bytes)) {
        showError(kind == SaveKind::OneClick ? oneClickFailureMessage(*failure)
                                             : dialogFailureMessage(path, *failure));
        return false;
    }
    rememberConfigFolder(path);
    if (m_document) {
        // The file just written is the one being edited from now on.
        m_document->saved(path, outputText());
        setDocument(std::move(m_document));
    }
    m_desktop.showMessage(this, QLatin1StringView(savedMessage));
    return true;
}
