#pragma once

#include <QLatin1StringView>
#include <QStringView>
#include <QtGlobal>

// The console variables each game registers, with their defaults and flags, read from the games'
// own sources by tools/gamevariables/gamevariables.py and kept here as constant data: a lookup is a
// binary search, and nothing is built before it.

namespace brackwell {

enum class Game { Et260, EtLegacy285 };

// "ET 2.60b", "ET: Legacy 2.85".
QLatin1StringView gameName(Game game);

struct GameVariable {
    enum Flag : quint32 {
        Archive = 1u << 0,    // the game writes it to its own config (etconfig.cfg)
        Latch = 1u << 1,      // a new value takes effect only after vid_restart or the next start
        Cheat = 1u << 2,      // put back to its default on a server that does not allow cheats
        ReadOnly = 1u << 3,   // the player cannot set it at all
        Init = 1u << 4,       // set only on the game's command line
        Unsafe = 1u << 5,     // after a crash no config sets it; etconfig.cfg marks it "unsafe"
        UserInfo = 1u << 6,   // sent to the server
        ServerInfo = 1u << 7, // sent to server browsers
        SystemInfo = 1u << 8, // the server sends it to every client
        Temp = 1u << 9,       // the game's own state rather than a setting
        Protected = 1u << 10, // neither the game modules nor a server may change it (ET: Legacy)
        NoDefault = 1u << 11, // archived only while it differs from its default (ET: Legacy)
        // The default is made as the game starts or runs (a path, the user's name, a value the
        // code picks) or differs between Linux and Windows: defaultValue is empty.
        ComputedDefault = 1u << 31,
    };
    // The parts of the game that register variables, in the order the game starts them. A
    // dedicated server runs Engine and Server alone; a mod brings its own three game modules.
    enum Module : quint8 {
        Engine = 1u << 0,
        Server = 1u << 1,
        Client = 1u << 2,
        Renderer = 1u << 3,
        UserInterface = 1u << 4, // the menus (ui)
        ServerGame = 1u << 5,    // the game module (qagame)
        ClientGame = 1u << 6,    // the client game module (cgame)
    };

    const char *name;         // as the game spells it
    const char *defaultValue; // the value a reset (cvar_restart, a cheat reset) gives it
    quint32 flags;
    quint8 modules; // every module that registers it

    bool has(Flag flag) const { return (flags & flag) != 0; }
    bool registeredBy(Module module) const { return (modules & module) != 0; }
    // The module that makes it: the first to register it as the game starts.
    Module module() const { return Module(modules & -modules); }
};

// A variable of an earlier game this one does not have, and its own variable that does its job.
struct ReplacedVariable {
    const char *name;
    const char *replacedBy;
};

// A game's variables, in the order of their names without regard to ASCII case.
class GameVariables
{
public:
    constexpr GameVariables(const GameVariable *first, qsizetype count) : m_first(first), m_count(count) { }
    const GameVariable *begin() const { return m_first; }
    const GameVariable *end() const { return m_first + m_count; }
    qsizetype size() const { return m_count; }

private:
    const GameVariable *m_first;
    qsizetype m_count;
};

GameVariables gameVariables(Game game);

// The game's variable of that name, or null when the game registers none. Names compare as the
// game compares them: without regard to the case of ASCII letters, and of those only.
const GameVariable *findGameVariable(Game game, QStringView name);

// The game's own variable that does the job of `name`, a variable of an earlier game it does not
// have ("cg_bobup" -> "cg_bobbing" in ET: Legacy 2.85); empty when there is none.
QLatin1StringView replacementOf(Game game, QStringView name);

} // namespace brackwell
