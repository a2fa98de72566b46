#pragma once

#include "ui/desktop.h"

#include <QList>
#include <QString>

// A desktop for tests: nothing modal opens, every box shown is recorded with its exact wording.
class FakeDesktop final : public brackwell::Desktop
{
public:
    enum class Kind { Message, Error };
    struct Shown {
        Kind kind;
        QString text;
    };

    void showMessage(QWidget *parent, const QString &text) override;
    void showError(QWidget *parent, const QString &text) override;

    QList<Shown> shown;

    // The one box shown since the last call, or an empty text with a test failure otherwise.
    QString takeOnly(Kind kind);
};
