#include "support/fakedesktop.h"

#include <QTest>

#include <stdexcept>
#include <utility>

namespace {

void fail(const QString &message)
{
    QTest::qFail(qPrintable(message), __FILE__, __LINE__);
}

} // namespace

FakeDesktop::~FakeDesktop()
{
    if (QTest::currentTestFailed())
        return;
    if (!m_dialogAnswers.isEmpty() || !m_openDialogAnswers.isEmpty() || !m_questionAnswers.isEmpty()
        || !m_unsavedAnswers.isEmpty() || !m_changedAnswers.isEmpty() || !m_lineAnswers.isEmpty())
        fail(QStringLiteral("answers left unused: %1 save dialog, %2 open dialog, %3 question")
                 .arg(m_dialogAnswers.size())
                 .arg(m_openDialogAnswers.size())
                 .arg(m_questionAnswers.size() + m_unsavedAnswers.size() + m_changedAnswers.size() + m_lineAnswers.size()));
}

void FakeDesktop::showMessage(QWidget *, const QString &text, const QString &informative)
{
    shown.append({Kind::Message, text, informative});
}

void FakeDesktop::showReport(QWidget *, const QString &text, const QString &details)
{
    shown.append({Kind::Message, text, details});
}

void FakeDesktop::showError(QWidget *, const QString &text, const QString &details, const QString &informative)
{
    shown.append({Kind::Error, text, details, informative});
}

// A question is recorded and answered from its queue; one with no answer queued fails the test.
template <typename Answer>
Answer FakeDesktop::ask(QQueue<Answer> &answers, const QString &text, const char *what, Answer unanswered)
{
    shown.append({Kind::Question, text});
    if (answers.isEmpty()) {
        fail(QStringLiteral("%1 without a queued answer: %2").arg(QLatin1StringView(what), text));
        return unanswered;
    }
    return answers.dequeue();
}

bool FakeDesktop::askQuestion(QWidget *, const QString &text)
{
    return ask(m_questionAnswers, text, "question", false);
}

brackwell::Desktop::Unsaved FakeDesktop::askToSaveChanges(QWidget *, const QString &text)
{
    return ask(m_unsavedAnswers, text, "question about unsaved changes", Unsaved::Cancel);
}

brackwell::Desktop::ChangedOnDisk FakeDesktop::askChangedOnDisk(QWidget *, const QString &text)
{
    return ask(m_changedAnswers, text, "question about a file changed on disk", ChangedOnDisk::Cancel);
}

void FakeDesktop::answerChangedOnDisk(ChangedOnDisk answer)
{
    m_changedAnswers.enqueue(answer);
}

std::optional<int> FakeDesktop::askLineNumber(QWidget *, int current, int last)
{
    lineQuestions.append({current, last});
    if (m_lineAnswers.isEmpty()) {
        fail(QStringLiteral("question for a line number without a queued answer"));
        return std::nullopt;
    }
    return m_lineAnswers.dequeue();
}

void FakeDesktop::answerLineNumber(std::optional<int> line)
{
    m_lineAnswers.enqueue(line);
}

std::optional<QString> FakeDesktop::chooseSaveFile(QWidget *, const QString &suggestedName,
                                                   const QString &defaultSuffix)
{
    dialogsOpened.append({suggestedName, defaultSuffix});
    if (!dialogThrows.isEmpty())
        throw std::runtime_error(std::exchange(dialogThrows, QString()).toStdString());
    if (m_dialogAnswers.isEmpty()) {
        fail(QStringLiteral("save dialog without a queued answer"));
        return std::nullopt;
    }
    return m_dialogAnswers.dequeue();
}

std::optional<QString> FakeDesktop::chooseOpenFile(QWidget *, const QString &folder, const QStringList &filters,
                                                   const QStringList &places)
{
    openDialogsOpened.append({folder, filters, places});
    if (m_openDialogAnswers.isEmpty()) {
        fail(QStringLiteral("open dialog without a queued answer"));
        return std::nullopt;
    }
    return m_openDialogAnswers.dequeue();
}

QString FakeDesktop::takeOnly(Kind kind)
{
    const auto name = [](Kind k) { return k == Kind::Error ? "error" : k == Kind::Message ? "message" : "question"; };
    if (shown.size() != 1 || shown.front().kind != kind) {
        QString boxes;
        for (const Shown &box : std::as_const(shown))
            boxes += QStringLiteral("\n  %1: %2").arg(name(box.kind), box.text);
        QTest::qFail(qPrintable(QStringLiteral("expected exactly one %1 box, %2 shown%3")
                                    .arg(name(kind)).arg(shown.size()).arg(boxes)),
                     __FILE__, __LINE__);
        shown.clear();
        return {};
    }
    return shown.takeFirst().text;
}

void FakeDesktop::answerSaveDialog(const QString &path)
{
    m_dialogAnswers.enqueue(path);
}

void FakeDesktop::cancelSaveDialog()
{
    m_dialogAnswers.enqueue(std::nullopt);
}

void FakeDesktop::answerOpenDialog(const QString &path)
{
    m_openDialogAnswers.enqueue(path);
}

void FakeDesktop::cancelOpenDialog()
{
    m_openDialogAnswers.enqueue(std::nullopt);
}

void FakeDesktop::answerQuestion(bool yes)
{
    m_questionAnswers.enqueue(yes);
}

void FakeDesktop::answerUnsaved(Unsaved answer)
{
    m_unsavedAnswers.enqueue(answer);
}

