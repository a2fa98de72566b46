#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <cstdio>

// Ends a start-up probe once the watched window has painted for the first time: prints "ready"
// (the harness times the process until that line) and quits the event loop.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QObject *window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            watched->removeEventFilter(this);
            // After this paint has finished, not in the middle of it.
            QTimer::singleShot(0, [] {
                std::fputs("ready\n", stdout);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};
