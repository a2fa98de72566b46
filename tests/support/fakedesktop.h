#pragma once

#include "gui/desktop.h"

#include <QHash>
#include <QList>
#include <QQueue>
#include <QString>

// A desktop for tests: nothing modal opens, every box shown is recorded with its exact wording.
// Dialogs and questions take their answers from queues the test fills beforehand; an answer left
// unused when the desktop goes fails the test, and so does a dialog with no answer queued.
// Files are written for real (tests point the drive root at a temporary folder) unless a failure
// was queued for the next write.
class FakeDesktop final : public brackwell::Desktop
{
public:
    ~FakeDesktop() override;

    enum class Kind { Message, Error, Question };
    struct Shown {
        Kind kind;
        QString text;
        QString details = {};
    };

    void showMessage(QWidget *parent, const QString &text, const QString &informative) override;
    void showReport(QWidget *parent, const QString &text, const QString &details) override;
    void showError(QWidget *parent, const QString &text, const QString &details) override;
    bool askQuestion(QWidget *parent, const QString &text) override;
    Unsaved askToSaveChanges(QWidget *parent, const QString &text) override;
    ChangedOnDisk askChangedOnDisk(QWidget *parent, const QString &text) override;
    std::optional<int> askLineNumber(QWidget *parent, int current, int last) override;
    std::optional<QString> chooseSaveFile(QWidget *parent, const QString &suggestedName,
                                          const QString &defaultSuffix) override;
    std::optional<QString> chooseOpenFile(QWidget *parent, const QString &folder, const QStringList &filters,
                                          const QStringList &places) override;
    brackwell::FileRead readFile(const QString &path, qint64 maxBytes) override;
    std::optional<brackwell::WriteFailure> writeFile(const QString &path, const QByteArray &bytes) override;
    // Copies are made for real.
    std::optional<brackwell::WriteFailure> copyFile(const QString &from, const QString &to) override
    {
        return brackwell::copyFileSafely(from, to);
    }
    bool canCreateFilesIn(const QString &folder) override;
    // Read from the file's mode, and removed, for real.
    bool isReadOnly(const QString &path) override { return brackwell::isReadOnlyFile(path); }
    bool removeFile(const QString &path) override;
    QByteArray writtenHash(const QString &key) override { return written.value(key); }
    void setWrittenHash(const QString &key, const QByteArray &hash) override { written.insert(key, hash); }
    // What Brackwell wrote, as the system would keep it between runs: a test copies it to the
    // desktop of its next run.
    QHash<QString, QByteArray> written;
    QStringList recentFiles() override { return ++recentReads, recent; }
    void setRecentFiles(const QStringList &files) override { recent = files; }
    QString currentDriveRoot() override;
    QString homeFolder() override;
    QString documentsFolder() override;

    QList<Shown> shown;

    // The one box shown since the last call, or an empty text with a test failure otherwise.
    QString takeOnly(Kind kind);

    // Save-file dialog: the next opening returns `path` exactly, or is cancelled.
    void answerSaveDialog(const QString &path);
    void cancelSaveDialog();
    struct DialogOpening {
        QString suggestedName;
        QString defaultSuffix;
    };
    QList<DialogOpening> dialogsOpened;

    // Open-file dialog: the next opening returns `path` exactly, or is cancelled.
    void answerOpenDialog(const QString &path);
    void cancelOpenDialog();
    struct OpenDialogOpening {
        QString folder;
        QStringList filters;
        QStringList places;
    };
    QList<OpenDialogOpening> openDialogsOpened;

    // Files are read for real unless a result was queued for the next read.
    void failNextRead(const brackwell::FileRead &result);
    QStringList readAttempts;

    void answerQuestion(bool yes);
    // The question about changes not saved: the next one is answered so.
    void answerUnsaved(Unsaved answer);
    // The question about a file changed on disk: the next one is answered so.
    void answerChangedOnDisk(ChangedOnDisk answer);
    // The question for a line number: the next one is answered so (nothing: cancelled), and each
    // asked is recorded with the line offered and the last.
    void answerLineNumber(std::optional<int> line);
    struct LineQuestion {
        int current = 0, last = 0;
    };
    QList<LineQuestion> lineQuestions;

    // The next dialog throws this text instead of answering: a failure deep inside a handler.
    QString dialogThrows;

    // The next write fails as a file that could not be created, or as a device that took some
    // bytes and then refused the rest (the file then stays as it was, as the real writer leaves it).
    void failNextWrite(const brackwell::WriteFailure &failure);
    static brackwell::WriteFailure cannotCreate(int code, int systemError, const QString &description);
    static brackwell::WriteFailure diskFull();
    QStringList writeAttempts;

    // The recent configs as the system would keep them between runs, and how often they were read.
    QStringList recent;
    int recentReads = 0;
    // Folders that refuse new files, as an installation folder does to a user without
    // administrator rights; the others are asked for real.
    QStringList unwritableFolders;

    // Where the one-click save looks for the game's folders; a test that saves that way must set
    // all three, to temporary folders, never the real ones.
    QString driveRoot;
    QString home;
    QString documents;

private:
    template <typename Answer>
    Answer ask(QQueue<Answer> &answers, const QString &text, const char *what, Answer unanswered);

    QQueue<std::optional<QString>> m_dialogAnswers;
    QQueue<std::optional<QString>> m_openDialogAnswers;
    QQueue<brackwell::FileRead> m_readResults;
    QQueue<bool> m_questionAnswers;
    QQueue<Unsaved> m_unsavedAnswers;
    QQueue<ChangedOnDisk> m_changedAnswers;
    QQueue<std::optional<int>> m_lineAnswers;
    QQueue<brackwell::WriteFailure> m_writeFailures;
};
