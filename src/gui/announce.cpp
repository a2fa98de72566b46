#include "gui/announce.h"

#include <QAccessible>
#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace brackwell {

namespace {

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
// The focused control's description while it speaks for an announcement; its own comes back once
// the focus has gone on, when a screen reader no longer listens to it.
class SpokenDescription : public QObject
{
public:
    static void say(QWidget *control, const QString &text)
    {
        SpokenDescription *&spoken = speaking()[control];
        if (!spoken)
            spoken = new SpokenDescription(control);
        redescribe(control, text);
        spoken->m_said = text;
    }

private:
    explicit SpokenDescription(QWidget *control)
        : QObject(control)
        , m_own(control->accessibleDescription())
    {
        control->installEventFilter(this);
    }

    ~SpokenDescription() override { leave(); }

    // The control each speaks for, while it does.
    static QHash<const QObject *, SpokenDescription *> &speaking()
    {
        static QHash<const QObject *, SpokenDescription *> all;
        return all;
    }

    void leave()
    {
        const auto it = speaking().constFind(parent());
        if (it != speaking().cend() && *it == this)
            speaking().erase(it);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut) {
            leave();
            // After the focus has arrived elsewhere: told now, the reader would speak it.
            QMetaObject::invokeMethod(this, [this, watched] {
                auto *control = static_cast<QWidget *>(watched);
                // Whoever set another description since knows it better.
                if (control->accessibleDescription() == m_said)
                    control->setAccessibleDescription(m_own);
                deleteLater();
            }, Qt::QueuedConnection);
            watched->removeEventFilter(this);
        }
        return false;
    }

    QString m_own;
    QString m_said;
};
#endif

void sayOn(QWidget *control, const QString &text)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(control, text);
    QAccessible::updateAccessibility(&event);
#else
    SpokenDescription::say(control, text);
#endif
}

// The one announcement waiting for a control to take the focus; a newer one replaces it.
struct Waiting {
    QString text;
    QMetaObject::Connection connection;
};

Waiting &waiting()
{
    static Waiting w;
    return w;
}

} // namespace

void redescribe(QWidget *control, const QString &text)
{
    if (control->accessibleDescription() == text)
        control->setAccessibleDescription(QString());
    control->setAccessibleDescription(text);
}

void announce(const QString &text)
{
    Waiting &w = waiting();
    QObject::disconnect(w.connection);
    if (QWidget *focus = QApplication::focusWidget()) {
        sayOn(focus, text);
        return;
    }
    w.text = text;
    w.connection = QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget *, QWidget *now) {
        if (!now)
            return;
        Waiting &w = waiting();
        QObject::disconnect(w.connection);
        sayOn(now, w.text);
    });
}

} // namespace brackwell
