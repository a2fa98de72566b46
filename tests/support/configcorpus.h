#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Config files shaped like the ones players have, made here from what is known of them: files the
// game writes (a header comment, unbindall, one quoted bind per key, one quoted seta per archived
// variable, "unsafe" after some values) and files written by hand (boxed comments, tab alignment,
// trailing comments, unquoted values, vstr toggles, several commands on a line, duplicated and
// re-bound keys, key names in any case and by the game's other names, CR LF or no final line break, UTF-8 comments). The same
// start value gives the same files.

namespace brackwell::testing {

struct CorpusFile {
    QString name;
    QByteArray bytes;
};

QList<CorpusFile> configCorpus(quint32 start, int count);

// Files where the console parts from a plain reading, one or more of each kind: top-level vstr
// presets (of settings, of binds, nested), "/* */" notes after values and before binds, U+2028 and
// U+2029 in UTF-8 lines, lines past the console's 1,023 bytes in UTF-8 and 8-bit text, values with
// double quotes inside, toggle, reset and exec after settings.
QList<CorpusFile> consoleEdgeFiles();

} // namespace brackwell::testing
