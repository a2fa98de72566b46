#pragma once

#include <QObject>
#include <QStringList>

class QPlainTextEdit;

// Tints the output box's lines that differ from a text, the file as last opened or saved, as the
// box changes: added or altered lines get a pale background across the box. The tint lies over the
// box's layout only (an extra selection), so the box's text, its colours and marks, copying and
// saving stay as they are, and an undo that brings a line back takes its tint away.
class ChangeTint : public QObject
{
    Q_OBJECT

public:
    explicit ChangeTint(QPlainTextEdit *box);

    // Follows the box against `text` ('\n' line breaks) from now on; none: no tint.
    void follow(const QString &text);
    void stop();
    // Whether the box's text differs from the text followed.
    bool differs() const { return m_differs; }
    // Brings the first tinted line into sight, the cursor at its start.
    void showFirst();

signals:
    void differsChanged(bool differs);

private:
    void update();

    QPlainTextEdit *m_box;
    bool m_following = false;
    bool m_differs = false;
    QStringList m_lines; // of the text followed
};
