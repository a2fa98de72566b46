#pragma once

#include "app/startup.h"
#include "gui/keypicker.h"
#include "support/fakedesktop.h"
#include "support/testmachine.h"
#include "gui/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>

#include <memory>

// A fresh main window on a fake desktop and a machine of test files, and its hidden key picker, set up
// as the program sets them up.
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
    // Puts a whole state into the controls: values, rows switched by their captions, ticks, keys.
    void setState(const brackwell::GenerationInput &state) const;

    // As a user does it: the window shown and active, the control's tab clicked to the front,
    // a click into the field, everything in it selected and the text typed key by key.
    void showActive() const;
    void openTabOf(QWidget *control) const;
    void typeInto(QWidget *field, const QString &text) const;
    // A real mouse click on a button of the main window, on its tab; focus moves with it.
    void clickButton(const char *name) const;

    // A control of the key picker.
    template <typename T>
    T *onPicker(const char *name) const
    {
        return picker->findChild<T *>(QLatin1StringView(name));
    }

    FakeDesktop desktop;
    TestMachine machine;
    std::unique_ptr<TfrmBrackwell> window;
    std::unique_ptr<TForm3> picker; // after the window: it goes first
};

// Key presses for each character, as a user types them; QTest::keyClicks takes ASCII only.
void typeText(QWidget *widget, const QString &text);

// The application-wide set-up, once per test process.
brackwell::ApplicationSetup &applicationSetup();

// A label's text colour.
QColor textColour(const QWidget *widget);

// What the user can see of every named control: value, enabled state, colour, visibility.
QMap<QString, QString> snapshot(const QWidget *window);
// Fails the test at the first control that differs.
void compareSnapshots(const QMap<QString, QString> &actual, const QMap<QString, QString> &expected);
