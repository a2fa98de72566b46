#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <optional>

// The keys a config text leaves bound once the game has read it to its end, so that a new bind
// can say which of the player's binds it replaces.

namespace brackwell {

struct BoundKey {
    QString key;     // as the text names it
    QString command; // what the key runs
    int line = 0;    // of the bind, counted from 1
};

// By keyIdentity: the last bind of each key, unless an unbind or an unbindall came after it.
QHash<QString, BoundKey> boundKeys(QStringView text);

// The bind a new bind of `key` to `command` would replace: none when the key is free, or already
// runs `command` (the same script or class bind again).
std::optional<BoundKey> replacedBind(const QHash<QString, BoundKey> &bound, QStringView key, QStringView command);

// "bound to "dropobj" on line 120": the key picker's tip on a key the file binds.
QString boundKeyTip(const BoundKey &bound);

// The question before a bind replaces one of the file's: `bindName` names what the key is chosen
// for ("Clock"), empty for a free bind. Yes goes on; No picks another key.
QString replaceBindQuestion(QStringView key, const BoundKey &bound, const QString &bindName);

} // namespace brackwell
