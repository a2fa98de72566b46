#pragma once

#include <QLatin1StringView>
#include <QObject>
#include <QString>
#include <QWidget>

namespace brackwell {

// A control of a window by its object name. One that the code names and the window lacks is a
// defect of the build, not of the user's doing.
template <typename T = QWidget>
T *namedChild(const QObject *root, const QString &name)
{
    T *widget = root->findChild<T *>(name);
    Q_ASSERT_X(widget, "namedChild", qPrintable(name));
    return widget;
}

template <typename T = QWidget>
T *namedChild(const QObject *root, const char *name)
{
    return namedChild<T>(root, QString(QLatin1StringView(name)));
}

} // namespace brackwell
