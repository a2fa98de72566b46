#pragma once

#include <cstddef>

// The fixed catalogue of everything the main window can put into the config script: the forty
// setting rows, the four script blocks with UnBind All, and the twelve class binds. Names are the
// object names of the window's controls, which hold the values; the catalogue holds no values.

namespace brackwell {

enum class ControlKind { Edit, Check, Combo };

// How a row becomes a script line.
enum class LineShape {
    Text,          // seta <cvar> "<text>"
    OnOff,         // "1" when checked, "0" when not
    OnOffInverted, // "0" when checked, "1" when not
    Mapped,        // texture mode: list text mapped to a GL filter name
};

enum class TestKind {
    Checked,
    NotChecked,
    AtLeast,   // number >= value
    LessThan,  // number <  value
    Equals,    // number == value
    TextIs,    // whole text, case-sensitive
};

// One test of the quality/FPS meter; every passing test of a row adds its amounts.
struct MeterTest {
    TestKind kind;
    double number;
    const char *text;
    int quality;
    int fps;
};

struct TextList {
    const char *const *items;
    int count;
};

struct SettingRow {
    const char *captionLabel;
    const char *captionText;
    const char *control;
    ControlKind kind;
    const char *cvar;
    LineShape shape;
    const char *defaultText; // edit boxes and lists
    bool defaultChecked;     // check boxes
    TextList items;          // drop-down lists
    const MeterTest *tests;  // null when the row does not touch the meter
    int testCount;
    const char *description; // shown in the description bar while the mouse is on the caption
    const char *extraLabel;  // a second label recoloured with the caption, or null
};

// Texture mode: the only two texts that give a line.
struct TextureMode {
    const char *listText;
    const char *glName;
};

struct ScriptBlock {
    const char *checkBox;
    const char *keyEdit;
    const char *defaultKey;
    int keySlot;
    const char *const *lines; // the lines between the empty line and the bind line
    int lineCount;
    const char *quotedCommand;
};

struct ClassBind {
    const char *checkBox;
    const char *caption;
    const char *keyEdit;
    const char *defaultKey;
    int keySlot;
    const char *quotedCommand;
};

constexpr int SettingCount = 40;
constexpr int ScriptCount = 4;
constexpr int ClassBindCount = 12;

// In generation order, which differs from the order on screen.
extern const SettingRow settingRows[SettingCount];
// In generation order: FOV, clock, akimbo, demo.
extern const ScriptBlock scriptBlocks[ScriptCount];
extern const ClassBind classBinds[ClassBindCount];
extern const TextureMode textureModes[2];

extern const char *const unbindAllCheckBox;
extern const char *const unbindAllLine;

// The index of the row whose value control has this object name, or -1.
int settingIndex(const char *control);

// Whether the meter reads the row's text as a number (and so stops a pass on one that is not).
bool meterReadsNumber(const SettingRow &row);

} // namespace brackwell
