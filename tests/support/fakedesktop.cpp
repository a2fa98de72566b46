#include "support/fakedesktop.h"

#include <QTest>

void FakeDesktop::showMessage(QWidget *, const QString &text)
{
    shown.append({Kind::Message, text});
}

void FakeDesktop::showError(QWidget *, const QString &text)
{
    shown.append({Kind::Error, text});
}

QString FakeDesktop::takeOnly(Kind kind)
{
    if (shown.size() != 1 || shown.front().kind != kind) {
        QTest::qFail(qPrintable(QStringLiteral("expected exactly one %1 box, %2 shown")
                                    .arg(kind == Kind::Error ? "error" : "message")
                                    .arg(shown.size())),
                     __FILE__, __LINE__);
        shown.clear();
        return {};
    }
    return shown.takeFirst().text;
}
