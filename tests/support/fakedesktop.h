#pragma once

#include "gui/desktop.h"

#include <QHash>
#include <QList>
#include <QQueue>
#include <QString>

// A desktop for tests: nothing modal opens, every box shown is recorded with its exact wording.
// Dialogs and questions take their answers from queues the test fills beforehand; an answer left
// unused when the desktop goes fails the test, and so does a dialog with no answer queued.
class FakeDesktop final : public brackwell::Desktop
{
public:
    ~FakeDesktop() override;

    enum class Kind { Message, Error, Question };
    struct Shown {
        Kind kind;
        QString text;
        QString details = {};     // a message's informative text, an error's details
        QString informative = {}; // an error's text under its text: where the file is now
    };

    void showMessage(QWidget *parent, const QString &text, const QString &informative) override;
    void showReport(QWidget *parent, const QString &text, const QString &details) override;
    void showError(QWidget *parent, const QString &text, const QString &details, const QString &informative) override;
    bool askQuestion(QWidget *parent, const QString &text) override;
    Unsaved askToSaveChanges(QWidget *parent, const QString &text) override;
    ChangedOnDisk askChangedOnDisk(QWidget *parent, const QString &text) override;
    std::optional<int> askLineNumber(QWidget *parent, int current, int last) override;
    std::optional<QString> chooseSaveFile(QWidget *parent, const QString &suggestedName,
                                          const QString &defaultSuffix) override;
    std::optional<QString> chooseOpenFile(QWidget *parent, const QString &folder, const QStringList &filters,
                                          const QStringList &places) override;
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

private:
    template <typename Answer>
    Answer ask(QQueue<Answer> &answers, const QString &text, const char *what, Answer unanswered);

    QQueue<std::optional<QString>> m_dialogAnswers;
    QQueue<std::optional<QString>> m_openDialogAnswers;
    QQueue<bool> m_questionAnswers;
    QQueue<Unsaved> m_unsavedAnswers;
    QQueue<ChangedOnDisk> m_changedAnswers;
    QQueue<std::optional<int>> m_lineAnswers;
};
