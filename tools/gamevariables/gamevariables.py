#!/usr/bin/env python3
"""Writes the tables of the games' console variables, src/game/variables_*.inc, from the games' own
source archives in ../shared/engines (which the program and its build never read).

    gamevariables.py [--engines DIR] [--out DIR] [--report]

What counts as a variable: every call that registers one (Cvar_Get, ri.Cvar_Get, Cvar_GetAndDescribe,
trap_Cvar_Register) and every row of a game module's cvarTable_t table; and a variable nothing
registers but the engine's own code sets (Cvar_Set makes it), as the engine lists it all the same.
Each file is read the way the compiler reads it for the build described below: its #if branches,
its macros and those of the headers it includes.

One name, several registrations: the engine keeps the first spelling, ORs the flags together and
keeps the first default that is not empty (Cvar_Get, qcommon/cvar.c in both games); ET: Legacy also
ignores a game module's registration of a protected variable and drops the protected flag a module
asks for (Cvar_Register). First is the order the game starts its parts in: the engine, the server,
the client, the renderer, the menus, then on a map the game module and the client game; within a
part, the files by name and the lines in order. Where that order cannot tell (two registrations in
the two branches of one if, a default made as the game runs, a variable its sets give several
values, a default that differs between Linux and Windows) the default is ComputedDefault.

--report lists what was left out (registrations whose name is no constant) and the names given two
defaults, for whoever checks a new version of the sources.
"""

import argparse
import os
import posixpath
import re
import sys
import tarfile

# Our flags (src/game/gamevariables.h) from the engines' CVAR_ flags, in the tables' order.
FLAGS = [
    ("CVAR_ARCHIVE", "Archive"),
    ("CVAR_LATCH", "Latch"),
    ("CVAR_CHEAT", "Cheat"),
    ("CVAR_ROM", "ReadOnly"),
    ("CVAR_INIT", "Init"),
    ("CVAR_UNSAFE", "Unsafe"),
    ("CVAR_USERINFO", "UserInfo"),
    ("CVAR_SERVERINFO", "ServerInfo"),
    ("CVAR_SYSTEMINFO", "SystemInfo"),
    ("CVAR_TEMP", "Temp"),
    ("CVAR_PROTECTED", "Protected"),
    ("CVAR_NODEFAULT", "NoDefault"),
]
COMPUTED = "ComputedDefault"

# The parts of a game in the order it starts them; the names src/game/gamevariables.h gives them.
MODULES = ["Engine", "Server", "Client", "Renderer", "UserInterface", "ServerGame", "ClientGame"]
GAME_MODULES = {"UserInterface", "ServerGame", "ClientGame"}


class Game:
    def __init__(self, key, name, archive, top, modules, platforms, defines, module_defines):
        self.key = key
        self.name = name
        self.archive = archive
        self.top = top  # the folder inside the archive that holds src/
        self.modules = modules  # (path below src/, module or None to leave out); the first match wins
        self.platforms = platforms  # the compiler's own macros on each system the table covers
        self.defines = defines
        self.module_defines = module_defines


# The builds the tables describe, on Linux and on Windows. 2.60b: the released game, which its
# source builds without options. ET: Legacy 2.85: the release with CMake's default options
# (CMakeLists.txt) and the definitions cmake/ETLSetupFeatures.cmake and cmake/ETLBuildMod.cmake make
# of them; its default renderer is the OpenGL 1 one, src/renderer.
GAMES = [
    Game(
        "et260",
        "ET 2.60b",
        "et260/et-2.60b-gpl-src.tar.xz",
        "",
        [("qcommon/", "Engine"), ("server/", "Server"), ("client/", "Client"), ("renderer/", "Renderer"),
         ("ui/", "UserInterface"), ("game/", "ServerGame"), ("cgame/", "ClientGame")],
        {"Linux": {"__linux__": "1", "__i386__": "1", "__GNUC__": "3"},
         "Windows": {"_WIN32": "1", "WIN32": "1", "_M_IX86": "1", "_MSC_VER": "1300"}},
        {},
        {"UserInterface": {"UI_EXPORTS": "1"}, "ServerGame": {"GAMEDLL": "1"}, "ClientGame": {"CGAMEDLL": "1"}},
    ),
    Game(
        "etlegacy285",
        "ET: Legacy 2.85",
        "etlegacy/etlegacy-2.85.0-src.tar.xz",
        "etlegacy-2.85.0/",
        [("null/", None), ("botlib/", None), ("qcommon/", "Engine"), ("sys/", "Engine"), ("db/", "Engine"),
         ("server/", "Server"), ("sdl/sdl_glimp.c", "Renderer"), ("sdl/", "Client"), ("client/", "Client"),
         ("renderercommon/", "Renderer"), ("renderer/", "Renderer"), ("ui/", "UserInterface"),
         ("game/", "ServerGame"), ("cgame/", "ClientGame")],
        {"Linux": {"__linux__": "1", "__x86_64__": "1", "__GNUC__": "12"},
         "Windows": {"_WIN32": "1", "WIN32": "1", "_WIN64": "1", "_M_X64": "1", "_MSC_VER": "1930"}},
        {"ETL_CLIENT": "1", "FEATURE_IPV6": "1", "FEATURE_FREETYPE": "1", "FEATURE_PNG": "1", "FEATURE_OPENAL": "1",
         "FEATURE_OPENAL_DLOPEN": "1", "FEATURE_OGG_VORBIS": "1", "FEATURE_THEORA": "1", "FEATURE_IRC_CLIENT": "1",
         "FEATURE_IRC_SERVER": "1", "FEATURE_PAKISOLATION": "1", "FEATURE_CURL": "1", "FEATURE_SSL": "1",
         "LEGACY_AUTH": "1", "FEATURE_AUTH": "1", "FEATURE_DBMS": "1", "FEATURE_AUTOUPDATE": "1",
         "FEATURE_TRACKER": "1", "FEATURE_ANTICHEAT": "1", "USE_RENDERER_DLOPEN": "1", "HAVE_SDL": "1",
         "DEFAULT_RENDERER_NAME": '"opengl1"', "SDL_VERSION_ATLEAST(x, y, z)": "1"},
        {"UserInterface": {"UIDLL": "1", "MODLIB": "1", "FEATURE_MULTIVIEW": "1", "FEATURE_RATING": "1"},
         "ServerGame": {"GAMEDLL": "1", "MODLIB": "1", "FEATURE_MULTIVIEW": "1", "FEATURE_RATING": "1",
                        "FEATURE_LUA": "1", "FEATURE_LUASQL": "1", "FEATURE_OMNIBOT": "1",
                        "FEATURE_SERVERMDX": "1"},
         "ClientGame": {"CGAMEDLL": "1", "MODLIB": "1", "FEATURE_MULTIVIEW": "1", "FEATURE_RATING": "1",
                        "FEATURE_EDV": "1"}},
    ),
]

# --- Reading C ---------------------------------------------------------------------------------

TOKEN = re.compile(
    r'(?P<str>L?"(?:[^"\\\n]|\\.)*")|(?P<chr>\'(?:[^\'\\\n]|\\.)*\')|'
    r'(?P<num>\.?\d(?:[\w.]|[eEpP][+-])*)|(?P<id>[A-Za-z_]\w*)|'
    r'(?P<op>##|<<=|>>=|->|\+\+|--|<<|>>|<=|>=|==|!=|&&|\|\||[-+*/%&|^!~<>=?:;,.()\[\]{}#])|(?P<other>\S)'
)


def tokens(text):
    """C tokens as (kind, text); a stray character (a backslash, '@') is nothing a registration holds."""
    return [(m.lastgroup, m.group()) for m in TOKEN.finditer(text) if m.lastgroup != "other"]


LEXEMES = re.compile(r'"(?:[^"\\\n]|\\.)*"?|\'(?:[^\'\\\n]|\\.)*\'?|//(?:[^\n\\]|\\.)*|/\*.*?(?:\*/|\Z)', re.S)


def strip_comments(text):
    """The text without comments, each one a blank (a line's breaks kept), strings untouched."""

    def blank(match):
        lexeme = match.group(0)
        return lexeme if lexeme[0] in "\"'" else " " + "\n" * lexeme.count("\n")

    return LEXEMES.sub(blank, text)


def logical_lines(text):
    return strip_comments(text).replace("\\\r\n", "").replace("\\\n", "").split("\n")


def string_value(literal):
    body = literal[literal.index('"') + 1:-1]
    return body.encode("latin-1").decode("unicode_escape")


class Macro:
    def __init__(self, params, body):
        self.params = params  # None for an object-like macro
        self.body = body


def call_arguments(toks, start):
    """The arguments of the call whose '(' is at toks[start], split at top-level commas, and the
    index after its ')'; None when it does not close."""
    depth = 0
    args = [[]]
    for i in range(start, len(toks)):
        text = toks[i][1] if toks[i][0] == "op" else None
        if text in ("(", "[", "{"):
            depth += 1
            if depth == 1:
                continue
        elif text in (")", "]", "}"):
            depth -= 1
            if depth == 0:
                return args, i + 1
        elif text == "," and depth == 1:
            args.append([])
            continue
        args[-1].append(toks[i])
    return None


def expand(toks, macros, hidden=frozenset()):
    out = []
    i = 0
    while i < len(toks):
        kind, text = toks[i]
        macro = macros.get(text) if kind == "id" and text not in hidden else None
        if macro is None:
            out.append(toks[i])
            i += 1
        elif macro.params is None:
            out += expand(macro.body, macros, hidden | {text})
            i += 1
        elif i + 1 < len(toks) and toks[i + 1] == ("op", "("):
            call = call_arguments(toks, i + 1)
            if call is None:
                out.append(toks[i])
                i += 1
                continue
            args, i = call
            out += expand(substitute(macro, args, macros), macros, hidden | {text})
        else:
            out.append(toks[i])
            i += 1
    return out


def substitute(macro, args, macros):
    params = {name: (args[k] if k < len(args) else []) for k, name in enumerate(macro.params)}
    body = []
    k = 0
    while k < len(macro.body):
        kind, text = macro.body[k]
        if text == "#" and k + 1 < len(macro.body) and macro.body[k + 1][1] in params:
            raw = " ".join(t for _, t in params[macro.body[k + 1][1]])
            body.append(("str", '"' + raw.replace("\\", "\\\\").replace('"', '\\"') + '"'))
            k += 2
        elif kind == "id" and text in params:
            # An argument beside '##' is glued as written, any other one expanded first.
            neighbours = [t for _, t in macro.body[max(k - 1, 0):k + 2]]
            glued = "##" in neighbours
            body += params[text] if glued else expand(params[text], macros)
            k += 1
        else:
            body.append((kind, text))
            k += 1
    # '##' glues its neighbours into one token.
    glued = []
    k = 0
    while k < len(body):
        if body[k][1] == "##" and glued and k + 1 < len(body):
            merged = tokens(glued[-1][1] + body[k + 1][1])
            glued[-1:] = merged
            k += 2
        else:
            glued.append(body[k])
            k += 1
    return glued


class Unknown(Exception):
    pass


def integer(toks):
    """The value of a constant integer expression of C (what #if and flag arguments hold)."""
    pos = 0

    def peek():
        return toks[pos][1] if pos < len(toks) else None

    def take():
        nonlocal pos
        pos += 1
        return toks[pos - 1]

    def primary():
        kind, text = take()
        if text == "(":
            # A cast such as (int) or (cvarFlags_t) is read as what it casts.
            if pos + 1 < len(toks) and toks[pos][0] == "id" and toks[pos + 1][1] == ")":
                take()
                take()
                return unary()
            value = ternary()
            if take()[1] != ")":
                raise Unknown("no ')'")
            return value
        if kind == "num":
            digits = text.rstrip("uUlL")
            octal = len(digits) > 1 and digits[0] == "0" and digits[1] not in "xX"
            try:
                return int(digits, 8) if octal else int(digits, 0)
            except ValueError:
                raise Unknown(text)
        if kind == "chr":
            return ord(string_value('"' + text[1:-1] + '"'))
        raise Unknown(text)

    def unary():
        text = peek()
        if text in ("!", "-", "~", "+"):
            take()
            value = unary()
            return {"!": int(not value), "-": -value, "~": ~value, "+": value}[text]
        return primary()

    levels = [["*", "/", "%"], ["+", "-"], ["<<", ">>"], ["<", ">", "<=", ">="], ["==", "!="], ["&"], ["^"],
              ["|"], ["&&"], ["||"]]
    apply = {
        "*": lambda a, b: a * b, "/": lambda a, b: int(a / b), "%": lambda a, b: a % b,
        "+": lambda a, b: a + b, "-": lambda a, b: a - b, "<<": lambda a, b: a << b, ">>": lambda a, b: a >> b,
        "<": lambda a, b: int(a < b), ">": lambda a, b: int(a > b), "<=": lambda a, b: int(a <= b),
        ">=": lambda a, b: int(a >= b), "==": lambda a, b: int(a == b), "!=": lambda a, b: int(a != b),
        "&": lambda a, b: a & b, "^": lambda a, b: a ^ b, "|": lambda a, b: a | b,
        "&&": lambda a, b: int(bool(a) and bool(b)), "||": lambda a, b: int(bool(a) or bool(b)),
    }

    def binary(level):
        if level < 0:
            return unary()
        value = binary(level - 1)
        while peek() in levels[level]:
            op = take()[1]
            value = apply[op](value, binary(level - 1))
        return value

    def ternary():
        value = binary(len(levels) - 1)
        if peek() == "?":
            take()
            yes = ternary()
            if take()[1] != ":":
                raise Unknown("no ':'")
            no = ternary()
            return yes if value else no
        return value

    if not toks:
        raise Unknown("empty")
    value = ternary()
    if pos != len(toks):
        raise Unknown("rest")
    return value


def condition(toks, macros):
    """#if's value: `defined` first, then macros, then every name left is 0."""
    resolved = []
    i = 0
    while i < len(toks):
        if toks[i] == ("id", "defined"):
            name = toks[i + 2][1] if toks[i + 1][1] == "(" else toks[i + 1][1]
            resolved.append(("num", "1" if name in macros else "0"))
            i += 4 if toks[i + 1][1] == "(" else 2
        else:
            resolved.append(toks[i])
            i += 1
    expanded = [("num", "0") if kind == "id" else (kind, text) for kind, text in expand(resolved, macros)]
    return integer(expanded) != 0


def parse_define(line):
    """The name and macro of a #define line, or None."""
    match = re.match(r"#\s*define\s+([A-Za-z_]\w*)(\(([^)]*)\))?\s*(.*)$", line)
    if not match:
        return None
    params = match.group(3)
    if match.group(2) is not None:
        params = [p.strip() for p in params.split(",") if p.strip()]
    return match.group(1), Macro(params, tokens(match.group(4)))


class Preprocessor:
    """Reads files of one archive as one build does: follows #include "..." through the source's
    folders, keeps the branches of #if that build takes and the macros it defines."""

    def __init__(self, files, include_dirs):
        self.files = files
        self.include_dirs = include_dirs
        self.cache = {}

    def run(self, path, defines):
        self.macros = dict(parse_define("#define %s %s" % item) for item in defines.items())
        self.included = set()
        return self.read(path, top=True)

    def find(self, name, here):
        for folder in [posixpath.dirname(here)] + self.include_dirs:
            candidate = posixpath.normpath(posixpath.join(folder, name))
            if candidate in self.files:
                return candidate
        return None

    def lines(self, path):
        """The file's logical lines, each with its directive's tokens (None on a line of code) and
        the macro it defines."""
        if path not in self.cache:
            self.cache[path] = []
            for number, line in enumerate(logical_lines(self.files[path]), 1):
                directive = tokens(line.strip()[1:]) if line.lstrip().startswith("#") else None
                macro = parse_define(line.strip()) if directive and directive[0][1] == "define" else None
                self.cache[path].append((number, line, directive, macro))
        return self.cache[path]

    def read(self, path, top=False):
        """The active lines of `path` (of the top file only: headers give macros, not registrations)."""
        active_lines = []
        stack = []  # per open #if: (this branch is taken, some branch was taken, outer branch taken)
        live = True
        for number, line, directive, macro in self.lines(path):
            if directive is None:
                if live and top:
                    active_lines.append((number, line))
                continue
            if not directive:
                continue
            word = directive[0][1]
            rest = directive[1:]
            if word in ("if", "ifdef", "ifndef"):
                if not live:
                    taken = False
                elif word == "if":
                    taken = condition(rest, self.macros)
                else:
                    taken = (rest[0][1] in self.macros) == (word == "ifdef")
                stack.append([taken, taken, live])
                live = live and taken
            elif word == "elif":
                entry = stack[-1]
                taken = entry[2] and not entry[1] and condition(rest, self.macros)
                entry[0] = taken
                entry[1] = entry[1] or taken
                live = taken
            elif word == "else":
                entry = stack[-1]
                entry[0] = entry[2] and not entry[1]
                entry[1] = True
                live = entry[0]
            elif word == "endif":
                live = stack.pop()[2]
            elif not live:
                continue
            elif word == "define" and macro:
                self.macros[macro[0]] = macro[1]
            elif word == "undef":
                self.macros.pop(rest[0][1], None)
            elif word == "include" and rest and rest[0][0] == "str":
                found = self.find(string_value(rest[0][1]), path)
                if found and found not in self.included:
                    self.included.add(found)
                    self.read(found)
        return active_lines


# --- Finding the registrations -----------------------------------------------------------------


class Registration:
    def __init__(self, name, default, flags, module, place, set_only):
        self.name = name
        self.default = default  # None when the game makes it at run time
        self.flags = flags  # our flag names
        self.module = module
        self.place = place  # "file:line", for --report
        self.set_only = set_only  # the engine's own Cvar_Set, which makes a variable that is not there
        self.either = False  # one of two registrations in the two branches of an if: the run picks one
        self.span = None  # its tokens in the file


def value_of(arg, macros):
    """A default as text, or None when the game makes it at run time."""
    toks = expand(arg, macros)
    if toks and all(kind == "str" for kind, _ in toks):
        return "".join(string_value(text) for _, text in toks)
    # va("%i", NUMBER): a number the compiler knows.
    if len(toks) > 3 and toks[0] == ("id", "va") and toks[1] == ("op", "("):
        call = call_arguments(toks, 1)
        if call and call[1] == len(toks) and call[0][0] and call[0][0][0][0] == "str":
            try:
                numbers = tuple(integer(a) for a in call[0][1:])
                return string_value(call[0][0][0][1]).replace("%i", "%d") % numbers
            except (Unknown, TypeError, ValueError):
                return None
    return None


def flags_of(arg, macros):
    bits = integer(expand(arg, macros))
    names = set()
    for macro, ours in FLAGS:
        if macro in macros:
            value = integer(expand([("id", macro)], macros))
            if bits & value == value:
                names.add(ours)
    return names


# The calls that register a variable: where its name, default and flags start, of how many arguments.
REGISTERING = {"Cvar_Get": (0, 3), "Cvar_GetAndDescribe": (0, 4), "trap_Cvar_Register": (1, 4),
               "Cvar_Register": (1, 4)}
SETTING = {"Cvar_Set", "Cvar_SetValue"}
REGISTERS = re.compile(r"\b(?:%s|cvarTable_t)\b" % "|".join(list(REGISTERING) + list(SETTING)))


def registrations_in(lines, macros, module, path, report):
    """Every registration in the active lines of one file."""
    toks = []
    lines_of = []
    for number, line in lines:
        for tok in tokens(line):
            toks.append(tok)
            lines_of.append(number)
    found = []

    def add(fields, span, set_only=False):
        """fields: the name, the default (None: a number the game formats) and the flags if any."""
        place = "%s:%d" % (path, lines_of[span[0]])
        name = value_of(fields[0], macros)
        if name is None:
            report.append("%s: a name made at run time: %s" % (place, " ".join(t for _, t in fields[0])))
            return
        if not name:
            return  # a table row without a name registers nothing a player can name
        try:
            flags = flags_of(fields[2], macros) if len(fields) > 2 else set()
        except Unknown as unknown:
            report.append("%s: flags not understood (%s): %s" % (place, unknown, name))
            return
        default = value_of(fields[1], macros) if fields[1] is not None else None
        registration = Registration(name, default, flags, module, place, set_only)
        registration.span = span
        found.append(registration)

    i = 0
    while i < len(toks):
        kind, text = toks[i]
        nxt = toks[i + 1] if i + 1 < len(toks) else None
        wanted = kind == "id" and nxt == ("op", "(") and (text in REGISTERING or text in SETTING)
        call = call_arguments(toks, i + 1) if wanted else None
        # A declaration or definition names types where a call has values.
        declaration = call and any(tok[0] == "id" and tok[1] in ("const", "char", "vmCvar_t") for tok in call[0][0])
        if call and not declaration and len(call[0]) == REGISTERING.get(text, (0, -1))[1]:
            first = REGISTERING[text][0]
            add(call[0][first:first + 3], (i, call[1]))
        elif call and not declaration and text in SETTING and module not in GAME_MODULES and len(call[0]) == 2:
            add([call[0][0], call[0][1] if text == "Cvar_Set" else None], (i, call[1]), set_only=True)
        elif kind == "id" and text == "cvarTable_t" and nxt and nxt[0] == "id":
            # A table of { &variable or NULL, "name", "default", flags, ... } rows.
            j = i + 2
            while j < len(toks) and toks[j][1] not in ("=", ";", "{", ")"):
                j += 1
            table = call_arguments(toks, j + 1) if j + 1 < len(toks) and toks[j][1] == "=" else None
            for row in table[0] if table else []:
                row = expand(row, macros)
                if row and row[0][1] == "{" and len(call_arguments(row, 0)[0]) >= 4:
                    add(call_arguments(row, 0)[0][1:4], (j, j))
            i = table[1] if table else j
            continue
        i += 1

    # Two registrations of one name in the two branches of an if: `...; } else { x = Cvar_Get(...)`.
    for a, b in zip(found, found[1:]):
        between = {text for _, text in toks[a.span[1]:b.span[0]]}
        if fold(a.name) == fold(b.name) and "else" in between and not between & {"(", "if", "return"}:
            a.either = b.either = True
    return found


# --- The tables ---------------------------------------------------------------------------------


def read_archive(path, top):
    files = {}
    with tarfile.open(path, "r:xz") as archive:
        for member in archive.getmembers():
            if member.isfile() and member.name.startswith(top + "src/") and member.name.endswith((".c", ".h")):
                files[member.name[len(top):]] = archive.extractfile(member).read().decode("latin-1")
    return files


def module_of(game, path):
    relative = path[len("src/"):]
    return next((module for prefix, module in game.modules if relative.startswith(prefix)), None)


def fold(name):
    """A name as the engine compares it: ASCII letters without case."""
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in name)


def registrations(game, files, platform, report):
    """Every registration of one build, in the order the game makes them."""
    preprocessor = Preprocessor(files, sorted({posixpath.dirname(p) for p in files}))
    found = []
    for path in sorted(files):
        module = module_of(game, path)
        if not path.endswith(".c") or module is None or not REGISTERS.search(files[path]):
            continue
        defines = dict(game.platforms[platform])
        defines.update(game.defines)
        defines.update(game.module_defines.get(module, {}))
        found += registrations_in(preprocessor.run(path, defines), preprocessor.macros, module, path, report)
    found.sort(key=lambda r: MODULES.index(r.module))  # stable: files and lines keep their order
    return found


def merge(game, found, report):
    """One variable per name, as the engine makes it of the registrations in the order they run."""
    by_name = {}
    for r in found:
        by_name.setdefault(fold(r.name), []).append(r)
    legacy = game.key != "et260"
    variables = {}
    for key, all_of_it in by_name.items():
        # Something registers it: that makes it. Else the engine's own Cvar_Set does, with its value.
        made = [r for r in all_of_it if not r.set_only] or all_of_it
        kept = []
        flags = set()
        for r in made:
            vm = legacy and r.module in GAME_MODULES
            if vm and "Protected" in flags:
                continue
            kept.append(r)
            flags |= r.flags - {"Protected"} if vm else r.flags
        constant = [r for r in kept if r.default]
        if made[0].set_only:
            computed = len({r.default for r in kept}) > 1 or kept[0].default is None
            default = kept[0].default
        elif constant:
            default = constant[0].default
            computed = constant[0].either and any(r.either and r.default != default for r in constant)
            for r in constant[1:]:
                if r.default != default:
                    report.append("%s: default %r (%s) beside %r (%s)" % (made[0].name, default, constant[0].place,
                                                                          r.default, r.place))
        else:
            default, computed = "", any(r.default is None for r in kept)
        variables[key] = {"name": made[0].name, "default": "" if computed else default, "flags": flags,
                          "modules": {r.module for r in kept}, "computed": computed}
    return variables


def both_platforms(tables, report):
    """One table of the tables of each platform: a default they differ on is the machine's."""
    merged = {}
    for platform, variables in tables.items():
        for key, v in variables.items():
            known = merged.setdefault(key, dict(v, flags=set(), modules=set()))
            known["flags"] |= v["flags"]
            known["modules"] |= v["modules"]
            if (known["default"], known["computed"]) != (v["default"], v["computed"]):
                report.append("%s: default %r, on %s %r" % (known["name"], known["default"], platform, v["default"]))
                known.update(default="", computed=True)
    return merged


def collect(game, engines, report):
    files = read_archive(os.path.join(engines, game.archive), game.top)
    tables = {platform: merge(game, registrations(game, files, platform, report), report)
              for platform in game.platforms}
    return files, both_platforms(tables, report)


def replacements(files, old, new):
    """Variables of 2.60b that ET: Legacy took out and whose job one of its own now does, as its
    source shows: a local of the old name is the old default times the new variable
    (cgame/cg_view.c: runPitch = 0.002f * cg_bobbing.value)."""
    pattern = re.compile(r"\b(\w+)\s*=\s*([0-9.]+)f?\s*\*\s*(\w+)\.value")
    found = {}
    for path, text in sorted(files.items()):
        for match in pattern.finditer(strip_comments(text)):
            local, factor, variable = match.groups()
            gone = fold("cg_" + local)
            if gone in old and gone not in new and fold(variable) in new and old[gone]["default"]:
                if float(old[gone]["default"]) == float(factor):
                    found[gone] = (old[gone]["name"], new[fold(variable)]["name"])
    return found


def cpp_string(text):
    out = []
    for c in text:
        if c in '"\\':
            out.append("\\" + c)
        elif " " <= c <= "~":
            out.append(c)
        else:
            out.append("\\%03o" % ord(c))
    return '"' + "".join(out) + '"'


def table(game, variables, replaced):
    names = [flag for _, flag in FLAGS]
    lines = [
        "// Generated by tools/gamevariables/gamevariables.py from ../shared/engines/%s: do not edit." % game.archive,
        "// Every variable %s registers on Linux or Windows: name, default, flags, the modules that" % game.name,
        "// register it. By name without regard to ASCII case, as findGameVariable() searches them.",
        "static constexpr std::array<GameVariable, %d> variables = {{" % len(variables),
    ]
    for key in sorted(variables):
        v = variables[key]
        if not v["name"].isascii():
            raise SystemExit("%s: a name beyond ASCII" % v["name"])
        flags = [f for f in names if f in v["flags"]] + ([COMPUTED] if v["computed"] else [])
        modules = [m for m in MODULES if m in v["modules"]]
        lines.append("    {%s, %s, %s, %s}," % (cpp_string(v["name"]), cpp_string(v["default"]),
                                              " | ".join(flags) or "0", " | ".join(modules)))
    lines.append("}};")
    lines.append("// Variables of an earlier game %s does not have, and its own variable that does their job."
                 % game.name)
    lines.append("static constexpr std::array<ReplacedVariable, %d> replaced = {{" % len(replaced))
    for key in sorted(replaced):
        lines.append("    {%s, %s}," % (cpp_string(replaced[key][0]), cpp_string(replaced[key][1])))
    lines.append("}};")
    return "\n".join(lines) + "\n"


def main():
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--engines", default=os.path.join(root, "..", "shared", "engines"),
                        help="the folder of the games' source archives")
    parser.add_argument("--out", default=os.path.join(root, "src", "game"), help="where the tables go")
    parser.add_argument("--report", action="store_true", help="list what was left out and the doubtful defaults")
    options = parser.parse_args()

    report = []
    sources = {}
    tables = {}
    for game in GAMES:
        sources[game.key], tables[game.key] = collect(game, options.engines, report)
    replaced = {"et260": {},
                "etlegacy285": replacements(sources["etlegacy285"], tables["et260"], tables["etlegacy285"])}
    for game in GAMES:
        with open(os.path.join(options.out, "variables_%s.inc" % game.key), "w", encoding="ascii",
                  newline="\n") as out:
            out.write(table(game, tables[game.key], replaced[game.key]))
    if options.report:
        print("\n".join(sorted(set(report))), file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
