#pragma once

#include <QString>
#include <QStringList>

namespace brackwell {

// The folders of `gameFolders` that exist here, each followed by the folders of its "profiles"
// folder, where the game keeps each player profile's own etconfig.cfg.
QStringList gameConfigFolders(const QStringList &gameFolders);

// The details under the one-click save's "Invalid filename.": the folders it looked for, and the
// save that writes anywhere.
QString noGameFolderDetails(const QStringList &gameFolders);

} // namespace brackwell
