#pragma once

// The game's key names as the key picker offers them: one row per clickable thing on the picker,
// the 110 keyboard keys (the picker builds its buttons from these rows) and the three mouse buttons
// (captions drawn on the mouse in keypicker.ui).

#include <QString>
#include <QStringView>

namespace brackwell {

struct PickerKey {
    const char *control; // object name on the picker
    const char *caption;
    int x, y, width, height;
    const char *name; // what the game's bind command takes; null for a key it cannot bind
};

constexpr int KeyboardKeyCount = 110;
constexpr int MouseButtonCount = 3;
constexpr int PickerKeyCount = KeyboardKeyCount + MouseButtonCount;

// The keyboard row by row, left to right, then the mouse buttons left to right.
extern const PickerKey pickerKeys[PickerKeyCount];

inline bool isMouseButton(int index) { return index >= KeyboardKeyCount; }

// The key a bind names, as the game tells keys apart: one character is its own key in lower case,
// "0xNN" is key number NN ("0x41" is not 'a'), and a name is compared without regard to case;
// names of keys that send a character ("SEMICOLON", "SPACE", "TAB", ...) are that character's
// key, and ALT, CTRL and SHIFT are ET: Legacy's LEFTALT, LEFTCTRL and LEFTSHIFT. Two names bind the same
// key exactly when their identities are equal. Empty for a name the console knows no key by (the
// empty name, "esc", "a b"), whose bind binds nothing.
QString keyIdentity(QStringView name);

} // namespace brackwell
