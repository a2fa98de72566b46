#include "game/gamevariables.h"

#include <algorithm>
#include <array>

namespace brackwell {

namespace {

// The generated rows name flags and modules without "GameVariable::": each table is read in a
// scope that inherits those names.
struct Et260 : GameVariable {
#include "game/variables_et260.inc"
};

struct EtLegacy285 : GameVariable {
#include "game/variables_etlegacy285.inc"
};

char16_t folded(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// Negative, zero or positive as `name` sorts before, with or after `key`, ASCII letters folded.
int compareFolded(const char *name, QStringView key)
{
    qsizetype i = 0;
    for (; name[i] != '\0' && i < key.size(); ++i) {
        const char16_t a = folded(char16_t(uchar(name[i])));
        const char16_t b = folded(key[i].unicode());
        if (a != b)
            return a < b ? -1 : 1;
    }
    if (name[i] != '\0')
        return 1;
    return i < key.size() ? -1 : 0;
}

template <typename Row, std::size_t N>
const Row *findFolded(const std::array<Row, N> &rows, QStringView name)
{
    const auto it = std::lower_bound(rows.begin(), rows.end(), name,
                                     [](const Row &row, QStringView key) { return compareFolded(row.name, key) < 0; });
    return it != rows.end() && compareFolded(it->name, name) == 0 ? &*it : nullptr;
}

} // namespace

QLatin1StringView gameName(Game game)
{
    return game == Game::Et260 ? QLatin1StringView("ET 2.60b") : QLatin1StringView("ET: Legacy 2.85");
}

GameVariables gameVariables(Game game)
{
    if (game == Game::Et260)
        return {Et260::variables.data(), qsizetype(Et260::variables.size())};
    return {EtLegacy285::variables.data(), qsizetype(EtLegacy285::variables.size())};
}

const GameVariable *findGameVariable(Game game, QStringView name)
{
    return game == Game::Et260 ? findFolded(Et260::variables, name) : findFolded(EtLegacy285::variables, name);
}

QLatin1StringView replacementOf(Game game, QStringView name)
{
    const ReplacedVariable *found =
        game == Game::Et260 ? findFolded(Et260::replaced, name) : findFolded(EtLegacy285::replaced, name);
    return found ? QLatin1StringView(found->replacedBy) : QLatin1StringView();
}

} // namespace brackwell
