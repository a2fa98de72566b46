#pragma once

#include "app/startup.h"
#include "support/fakedesktop.h"
#include "ui/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <memory>

// A fresh main window on a fake desktop, set up as the program sets it up.
struct WindowFixture {
    WindowFixture();
    ~WindowFixture();

    template <typename T>
    T *get(const char *name) const
    {
        return window->findChild<T *>(QLatin1StringView(name));
    }
    QLineEdit *edit(const char *name) const { return get<QLineEdit>(name); }
    QComboBox *combo(const char *name) const { return get<QComboBox>(name); }
    QCheckBox *check(const char *name) const { return get<QCheckBox>(name); }
    QPlainTextEdit *output() const { return get<QPlainTextEdit>("memoOutput"); }
    // The output box's text with CR LF line breaks, as the script file holds it.
    QString outputText() const;
    void create() const { window->btnCreateClick(); }

    FakeDesktop desktop;
    std::unique_ptr<TfrmBrackwell> window;
};

// The application-wide set-up, once per test process.
brackwell::ApplicationSetup &applicationSetup();
