#pragma once

#include <QHash>
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

// The controls below a window by their object names, found in one walk of its tree: for code that
// looks up many, where a search from the window each time would walk it for each.
class NamedChildren
{
public:
    explicit NamedChildren(const QObject *root)
    {
        const QList<QWidget *> all = root->findChildren<QWidget *>();
        for (QWidget *widget : all) {
            if (!widget->objectName().isEmpty() && !m_byName.contains(widget->objectName()))
                m_byName.insert(widget->objectName(), widget);
        }
    }

    template <typename T = QWidget>
    T *get(const QString &name) const
    {
        T *widget = qobject_cast<T *>(m_byName.value(name));
        Q_ASSERT_X(widget, "NamedChildren", qPrintable(name));
        return widget;
    }

    template <typename T = QWidget>
    T *get(const char *name) const
    {
        return get<T>(QString(QLatin1StringView(name)));
    }

private:
    QHash<QString, QWidget *> m_byName;
};

} // namespace brackwell
