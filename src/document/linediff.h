#pragma once

#include <QList>
#include <QStringList>

namespace brackwell {

// Which lines of `after` are not lines of `before` kept in their order: the lines an edit added or
// altered, by the shortest edit between the two texts. Where that edit would take more than
// `maxEdits` lines added and removed, every line between the first and the last difference counts.
QList<bool> changedLines(const QStringList &before, const QStringList &after, qsizetype maxEdits = 1000);

} // namespace brackwell
