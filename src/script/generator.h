#pragma once

#include "script/catalogue.h"

#include <QString>

#include <array>
#include <optional>

namespace brackwell {

// The state of one setting row at the moment "Create Config" is pressed.
struct SettingValue {
    bool enabled = true; // a disabled value control means the setting is switched off
    bool checked = false;
    QString text;
};

struct KeyedTick {
    bool ticked = false;
    QString key;
};

// Everything a generation pass reads, indexed like the catalogue tables.
struct GenerationInput {
    std::array<SettingValue, SettingCount> settings;
    bool unbindAll = false;
    std::array<KeyedTick, ScriptCount> scripts;
    std::array<KeyedTick, ClassBindCount> classes;
};

// The signed heights of the two meter bars (1 = the one-pixel line below the baseline).
struct MeterHeights {
    int quality = 1;
    int fps = 1;
};

struct GenerationResult {
    QString text;        // every line ends in CR LF
    MeterHeights meter;
    QString error;       // empty when the pass ran to the end; otherwise the text for the error box
    bool ok() const { return error.isEmpty(); }
};

// The input of a window at its defaults: every row on with its default value, nothing ticked.
GenerationInput defaultInput();

// One generation pass. A metered value that is not a number stops the pass: the lines so far stay
// (the bad line included), the meter keeps the steps so far and `error` says which text failed.
GenerationResult generate(const GenerationInput &input);

QString notANumberMessage(const QString &text);

// The value a switched-on row's line gives its variable, or none when the row writes no line
// (texture mode with a text that names no filter). The enabled state is not looked at.
std::optional<QString> writtenValue(const SettingRow &row, const SettingValue &value);
// Lines as a generation pass writes them, without their line break.
QString settingLine(const SettingRow &row, const QString &value);
QString bindLine(const QString &key, const char *quotedCommand);

} // namespace brackwell
