#pragma once

class QString;
class QWidget;

// Tells a screen reader of something that happened without the focus moving: a setting switched,
// a config created, a key chosen, a tab shown, a save's result. Where Qt has announcements (6.8
// and later) it makes one; before that the focused control's accessible description carries the
// text, which is what a screen reader speaks of the object it is on, until the focus leaves it.
// With no control focused (a box just closed, its window not yet active again) the text goes to
// the next control that takes the focus.

namespace brackwell {

void announce(const QString &text);

// Gives a control a new accessible description that a screen reader says even when it is the
// description the control had (it speaks only a change).
void redescribe(QWidget *control, const QString &text);

} // namespace brackwell
