#include "console/keynames.h"

#include <utility>

namespace brackwell {

namespace {
constexpr int keyHeight = 33;
constexpr int tallKey = 65; // spans two rows
constexpr int row1 = 8, row2 = 56, row3 = 88, row4 = 120, row5 = 152, row6 = 184;
} // namespace

const PickerKey pickerKeys[PickerKeyCount] = {
    // Function row. "escape" is the game's name for Esc; it rejects "esc".
    {"Button1", "Esc", 8, row1, 41, keyHeight, "escape"},
    {"Button2", "F1", 72, row1, 41, keyHeight, "F1"},
    {"Button3", "F2", 120, row1, 41, keyHeight, "F2"},
    {"Button4", "F3", 168, row1, 41, keyHeight, "F3"},
    {"Button5", "F4", 216, row1, 41, keyHeight, "F4"},
    {"Button6", "F5", 264, row1, 41, keyHeight, "F5"},
    {"Button7", "F6", 312, row1, 41, keyHeight, "F6"},
    {"Button8", "F7", 360, row1, 41, keyHeight, "F7"},
    {"Button9", "F8", 408, row1, 41, keyHeight, "F8"},
    {"Button10", "F9", 456, row1, 41, keyHeight, "F9"},
    {"Button11", "F10", 504, row1, 41, keyHeight, "F10"},
    {"Button12", "F11", 552, row1, 41, keyHeight, "F11"},
    {"Button13", "F12", 600, row1, 41, keyHeight, "F12"},
    {"Button14", "Power", 664, row1, 41, keyHeight, nullptr},
    {"Button15", "Sleep", 704, row1, 41, keyHeight, nullptr},
    {"Button16", "Wake", 744, row1, 41, keyHeight, nullptr},

    // Digit row, the three system keys and the top of the keypad.
    {"Button102", "`", 8, row2, 81, keyHeight, nullptr},
    {"Button104", "1", 88, row2, 41, keyHeight, "1"},
    {"Button99", "2", 128, row2, 41, keyHeight, "2"},
    {"Button100", "3", 168, row2, 41, keyHeight, "3"},
    {"Button101", "4", 208, row2, 41, keyHeight, "4"},
    {"Button93", "5", 248, row2, 41, keyHeight, "5"},
    {"Button97", "6", 288, row2, 41, keyHeight, "6"},
    {"Button98", "7", 328, row2, 41, keyHeight, "7"},
    {"Button64", "8", 368, row2, 41, keyHeight, "8"},
    {"Button65", "9", 408, row2, 41, keyHeight, "9"},
    {"Button66", "0", 448, row2, 41, keyHeight, "0"},
    {"Button34", "-", 488, row2, 41, keyHeight, "-"},
    {"Button28", "=", 528, row2, 41, keyHeight, "="},
    {"Button40", "#", 568, row2, 41, keyHeight, nullptr},
    {"Button41", "BSpace", 608, row2, 41, keyHeight, "backspace"},
    {"Button43", "Prnt S", 664, row2, 41, keyHeight, nullptr},
    {"Button44", "S Lock", 704, row2, 41, keyHeight, nullptr},
    {"Button45", "Pause", 744, row2, 41, keyHeight, nullptr},
    {"Button18", "N Lock", 808, row2, 41, keyHeight, nullptr},
    {"Button17", "/", 848, row2, 41, keyHeight, "kp_slash"},
    {"Button19", "*", 888, row2, 41, keyHeight, "*"}, // the game has no kp_ name for it
    {"Button20", "-", 928, row2, 41, keyHeight, "kp_minus"},

    // Q row. Keypad digits bind by their navigation names, not as digits.
    {"Button103", "Tab", 8, row3, 121, keyHeight, "tab"},
    {"Button107", "Q", 128, row3, 41, keyHeight, "q"},
    {"Button108", "W", 168, row3, 41, keyHeight, "w"},
    {"Button109", "E", 208, row3, 41, keyHeight, "e"},
    {"Button106", "R", 248, row3, 41, keyHeight, "r"},
    {"Button105", "T", 288, row3, 41, keyHeight, "t"},
    {"Button110", "Y", 328, row3, 41, keyHeight, "y"},
    {"Button67", "U", 368, row3, 41, keyHeight, "u"},
    {"Button68", "I", 408, row3, 41, keyHeight, "i"},
    {"Button69", "O", 448, row3, 41, keyHeight, "o"},
    {"Button42", "P", 488, row3, 41, keyHeight, "p"},
    {"Button52", "[", 528, row3, 41, keyHeight, "["},
    {"Button53", "]", 568, row3, 41, keyHeight, "]"},
    {"Button54", "Return", 608, row3, 41, tallKey, "enter"},
    {"Button46", "Ins", 664, row3, 41, keyHeight, "ins"},
    {"Button47", "Home", 704, row3, 41, keyHeight, "home"},
    {"Button48", "Pg Up", 744, row3, 41, keyHeight, "pgup"},
    {"Button21", "7", 808, row3, 41, keyHeight, "kp_home"},
    {"Button22", "8", 848, row3, 41, keyHeight, "kp_uparrow"},
    {"Button23", "9", 888, row3, 41, keyHeight, "kp_pgup"},
    {"Button24", "+", 928, row3, 41, tallKey, "kp_plus"},

    // A row.
    {"Button88", "Caps Lock", 8, row4, 121, keyHeight, nullptr},
    {"Button94", "A", 128, row4, 41, keyHeight, "a"},
    {"Button95", "S", 168, row4, 41, keyHeight, "s"},
    {"Button96", "D", 208, row4, 41, keyHeight, "d"},
    {"Button91", "F", 248, row4, 41, keyHeight, "f"},
    {"Button90", "G", 288, row4, 41, keyHeight, "g"},
    {"Button92", "H", 328, row4, 41, keyHeight, "h"},
    {"Button70", "J", 368, row4, 41, keyHeight, "j"},
    {"Button71", "K", 408, row4, 41, keyHeight, "k"},
    {"Button72", "L", 448, row4, 41, keyHeight, "l"},
    {"Button55", ";", 488, row4, 41, keyHeight, "semicolon"}, // a bare ; would end the console command
    {"Button56", "'", 528, row4, 41, keyHeight, nullptr},
    {"Button57", "", 568, row4, 41, keyHeight, nullptr},
    {"Button49", "Del", 664, row4, 41, keyHeight, "del"},
    {"Button50", "End", 704, row4, 41, keyHeight, nullptr},
    {"Button51", "Pg Dn", 744, row4, 41, keyHeight, "pgdn"},
    {"Button25", "4", 808, row4, 41, keyHeight, "kp_leftarrow"},
    {"Button26", "5", 848, row4, 41, keyHeight, "kp_5"},
    {"Button27", "6", 888, row4, 41, keyHeight, "kp_rightarrow"},

    // Z row. Both Shift keys are one key to the game.
    {"Button89", "Shift", 8, row5, 105, keyHeight, "shift"},
    {"Button85", "\\", 112, row5, 41, keyHeight, "\\"},
    {"Button86", "Z", 152, row5, 41, keyHeight, "z"},
    {"Button87", "X", 192, row5, 41, keyHeight, "x"},
    {"Button82", "C", 232, row5, 41, keyHeight, "c"},
    {"Button81", "V", 272, row5, 41, keyHeight, "v"},
    {"Button83", "B", 312, row5, 41, keyHeight, "b"},
    {"Button84", "N", 352, row5, 41, keyHeight, "n"},
    {"Button74", "M", 392, row5, 41, keyHeight, "m"},
    {"Button75", ",", 432, row5, 41, keyHeight, ","},
    {"Button76", ".", 472, row5, 41, keyHeight, "."},
    {"Button61", "/", 512, row5, 41, keyHeight, "/"},
    {"Button62", "Shift", 552, row5, 57, keyHeight, "shift"},
    {"Button63", "Fn", 608, row5, 41, keyHeight, nullptr},
    {"Button32", "Up", 704, row5, 41, keyHeight, "uparrow"},
    {"Button29", "1", 808, row5, 41, keyHeight, "kp_end"},
    {"Button30", "2", 848, row5, 41, keyHeight, "kp_downarrow"},
    {"Button31", "3", 888, row5, 41, keyHeight, "kp_pgdn"},
    {"Button36", "Enter", 928, row5, 41, tallKey, "kp_enter"},

    // Bottom row. Both Ctrl keys are one key to the game; Alt Gr is not a key of its own.
    {"Button80", "Ctrl", 8, row6, 49, keyHeight, "ctrl"},
    {"Button78", "Windows", 56, row6, 49, keyHeight, nullptr},
    {"Button77", "Alt", 104, row6, 49, keyHeight, "alt"},
    {"Button73", "Space Bar", 152, row6, 305, keyHeight, "space"},
    {"Button60", "Alt Gr", 456, row6, 49, keyHeight, nullptr},
    {"Button59", "Windows", 504, row6, 49, keyHeight, nullptr},
    {"Button58", "Menu", 552, row6, 49, keyHeight, nullptr},
    {"Button79", "Ctrl", 600, row6, 49, keyHeight, "ctrl"},
    {"Button37", "Left", 664, row6, 41, keyHeight, "leftarrow"},
    {"Button38", "Down", 704, row6, 41, keyHeight, "downarrow"},
    {"Button39", "Right", 744, row6, 41, keyHeight, "rightarrow"},
    {"Button33", "0", 808, row6, 81, keyHeight, "kp_ins"},
    {"Button35", ".", 888, row6, 41, keyHeight, "kp_del"},

    // Mouse buttons. The game numbers the right button 2 and the middle one 3.
    {"Label2", "   Left", 824, 256, 27, 13, "mouse1"},
    {"Label3", "Middle", 864, 256, 31, 13, "mouse3"},
    {"Label4", "   Right", 904, 256, 34, 13, "mouse2"},
};

namespace {

// The named keys whose key number is a character's: the console's names for them.
struct CharacterKey {
    const char *name;
    char16_t character;
};
constexpr CharacterKey characterKeys[] = {
    {"TAB", u'\t'}, {"ENTER", u'\r'}, {"ESCAPE", 27}, {"SPACE", u' '}, {"BACKSPACE", 127}, {"SEMICOLON", u';'},
};

// Every other name the console takes for a key, in either version of the game.
const char *const namedKeys[] = {
    "UPARROW", "DOWNARROW", "LEFTARROW", "RIGHTARROW", "RIGHTALT", "LEFTALT", "ALT", "RIGHTCTRL", "LEFTCTRL", "CTRL",
    "RIGHTSHIFT", "LEFTSHIFT", "SHIFT", "COMMAND", "CAPSLOCK", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9",
    "F10", "F11", "F12", "F13", "F14", "F15", "INS", "DEL", "PGDN", "PGUP", "HOME", "END", "MOUSE1", "MOUSE2", "MOUSE3",
    "MOUSE4", "MOUSE5", "MWHEELUP", "MWHEELDOWN", "KP_HOME", "KP_UPARROW", "KP_PGUP", "KP_LEFTARROW", "KP_5",
    "KP_RIGHTARROW", "KP_END", "KP_DOWNARROW", "KP_PGDN", "KP_ENTER", "KP_INS", "KP_DEL", "KP_SLASH", "KP_MINUS",
    "KP_PLUS", "KP_NUMLOCK", "KP_STAR", "KP_EQUALS", "PAUSE", "US_0", "US_1", "US_2", "US_3", "US_4", "US_5", "US_6",
    "US_7", "US_8", "US_9", "US_MINUS", "US_EQUALS", "US_LEFTBRACKET", "US_RIGHTBRACKET", "US_BACKSLASH",
    "US_SEMICOLON", "US_APOSTROPHE", "US_GRAVE", "US_COMMA", "US_PERIOD", "US_SLASH", "NONUSBACKSLASH", "WINDOWS",
    "COMPOSE", "MODE", "HELP", "PRINT", "SYSREQ", "SCROLLOCK", "BREAK", "MENU", "POWER", "EURO", "UNDO", "PAD0_A",
    "PAD0_B", "PAD0_X", "PAD0_Y", "PAD0_BACK", "PAD0_GUIDE", "PAD0_START", "PAD0_LEFTSTICK_CLICK",
    "PAD0_RIGHTSTICK_CLICK", "PAD0_LEFTSHOULDER", "PAD0_RIGHTSHOULDER", "PAD0_DPAD_UP", "PAD0_DPAD_DOWN",
    "PAD0_DPAD_LEFT", "PAD0_DPAD_RIGHT", "PAD0_LEFTSTICK_LEFT", "PAD0_LEFTSTICK_RIGHT", "PAD0_LEFTSTICK_UP",
    "PAD0_LEFTSTICK_DOWN", "PAD0_RIGHTSTICK_LEFT", "PAD0_RIGHTSTICK_RIGHT", "PAD0_RIGHTSTICK_UP",
    "PAD0_RIGHTSTICK_DOWN", "PAD0_LEFTTRIGGER", "PAD0_RIGHTTRIGGER", "PAD0_MISC1", "PAD0_PADDLE1", "PAD0_PADDLE2",
    "PAD0_PADDLE3", "PAD0_PADDLE4", "PAD0_TOUCHPAD",
};

// JOY1 to JOY32 and AUX1 to AUX16.
bool numberedKey(QStringView upper)
{
    for (const auto &[prefix, count] : {std::pair{u"JOY", 32}, std::pair{u"AUX", 16}}) {
        if (upper.startsWith(prefix) && upper.size() > 3 && upper[3] != u'0') {
            bool ok = false;
            const int n = upper.sliced(3).toInt(&ok);
            if (ok && n >= 1 && n <= count)
                return true;
        }
    }
    return false;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

QString characterIdentity(char16_t c)
{
    for (const CharacterKey &key : characterKeys) {
        if (key.character == c)
            return QLatin1StringView(key.name);
    }
    // The console lower-cases one character with tolower, which knows only ASCII letters.
    if (c >= u'A' && c <= u'Z')
        c = char16_t(c - u'A' + u'a');
    return QString(QChar(c));
}

} // namespace

QString keyIdentity(QStringView name)
{
    if (name.isEmpty())
        return {};
    if (name.size() == 1)
        return characterIdentity(name.front().unicode());
    if (name.size() == 4 && name.startsWith(u"0x")) {
        const int high = hexDigit(name[2]), low = hexDigit(name[3]);
        if (high >= 0 && low >= 0) {
            const int code = high * 16 + low;
            // Key numbers of characters are the characters, but not lower-cased: 0x41 is key 65,
            // which no letter typed alone binds. Other numbers name keys of their own.
            if (code >= 'A' && code <= 'Z')
                return QStringLiteral("#%1").arg(code);
            return code < 128 ? characterIdentity(char16_t(code)) : QStringLiteral("#%1").arg(code);
        }
    }
    const QString upper = name.toString().toUpper();
    for (const CharacterKey &key : characterKeys) {
        if (upper == QLatin1StringView(key.name))
            return upper;
    }
    // ET: Legacy's ALT, CTRL and SHIFT are its left-hand keys (2.60's cover both sides, and it
    // knows no LEFTALT): the window shows what ET: Legacy binds.
    for (const auto &[alias, key] : {std::pair{"ALT", "LEFTALT"}, std::pair{"CTRL", "LEFTCTRL"},
                                     std::pair{"SHIFT", "LEFTSHIFT"}}) {
        if (upper == QLatin1StringView(alias))
            return QString::fromLatin1(key);
    }
    for (const char *key : namedKeys) {
        if (upper == QLatin1StringView(key))
            return upper;
    }
    return numberedKey(upper) ? upper : QString();
}

} // namespace brackwell
