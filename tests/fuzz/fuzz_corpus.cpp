// Writes the fuzzer's first inputs into the folder given: the generator's own scripts for the
// default state, every row off, everything ticked and random states, harsh text included; players'
// configs as the game and players write them; and one or more of each kind of file where the console
// parts from a plain reading (presets, comments, pasted separators, long lines, quotes, toggle).
#include "script/generator.h"

#include "support/configcorpus.h"
#include "support/randomstate.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace brackwell;

namespace {

bool write(const QDir &folder, int number, const GenerationInput &input)
{
    const QString text = generate(input).text;
    QFile file(folder.filePath(QStringLiteral("start%1.cfg").arg(number, 3, 10, QLatin1Char('0'))));
    // Characters beyond the 8-bit set go as '?', which is still a fair input.
    return file.open(QIODevice::WriteOnly) && file.write(text.toLatin1()) >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    int number = 0;
    bool ok = write(folder, ++number, defaultInput()) && write(folder, ++number, testing::allOff())
              && write(folder, ++number, testing::everythingTicked());
    testing::RandomState random(20261210);
    for (int i = 0; i < 40 && ok; ++i)
        ok = write(folder, ++number, random.input({true, true, true}));
    for (int i = 0; i < 20 && ok; ++i)
        ok = write(folder, ++number, random.input({}));
    for (const testing::CorpusFile &player : testing::configCorpus(3, 20) + testing::consoleEdgeFiles()) {
        QFile file(folder.filePath(QStringLiteral("player%1.cfg").arg(++number, 3, 10, QLatin1Char('0'))));
        ok = ok && file.open(QIODevice::WriteOnly) && file.write(player.bytes) == player.bytes.size();
    }
    if (!ok) {
        std::fprintf(stderr, "cannot write the first inputs into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
