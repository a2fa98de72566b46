#include "script/generator.h"

#include "script/number.h"

#include <cstring>

namespace brackwell {

namespace {

constexpr QLatin1StringView crlf("\r\n");

void appendLine(QString &out, QLatin1StringView line)
{
    out += line;
    out += crlf;
}

// Applies one passing test to the bars: a step raises a bar, so it lowers the signed height.
void step(MeterHeights &meter, const MeterTest &test)
{
    meter.quality -= test.quality;
    meter.fps -= test.fps;
}

// Runs every test of a row, each independently. Returns false when the row needs a number and its
// text is not one.
bool runMeter(const SettingRow &row, const SettingValue &value, MeterHeights &meter)
{
    std::optional<double> number;
    if (meterReadsNumber(row)) {
        number = parseNumber(value.text);
        if (!number)
            return false;
    }
    for (int i = 0; i < row.testCount; ++i) {
        const MeterTest &test = row.tests[i];
        bool passed = false;
        switch (test.kind) {
        case TestKind::Checked: passed = value.checked; break;
        case TestKind::NotChecked: passed = !value.checked; break;
        case TestKind::AtLeast: passed = *number >= test.number; break;
        case TestKind::LessThan: passed = *number < test.number; break;
        case TestKind::Equals: passed = *number == test.number; break;
        case TestKind::TextIs: passed = value.text == QLatin1StringView(test.text); break;
        }
        if (passed)
            step(meter, test);
    }
    return true;
}

template <typename Value>
void appendSeta(QString &out, const char *cvar, const Value &value)
{
    out += QLatin1StringView("seta ");
    out += QLatin1StringView(cvar);
    out += QLatin1StringView(" \"");
    out += value;
    out += u'"';
    out += crlf;
}

// Appends the row's line; false when the row writes nothing (texture mode with another text).
bool appendSettingLine(QString &out, const SettingRow &row, const SettingValue &value)
{
    const std::optional<QString> written = writtenValue(row, value);
    if (written)
        appendSeta(out, row.cvar, *written);
    return written.has_value();
}

void appendBind(QString &out, const QString &key, const char *quotedCommand)
{
    out += QLatin1StringView("bind ");
    out += key;
    out += u' ';
    out += QLatin1StringView(quotedCommand);
    out += crlf;
}

} // namespace

std::optional<QString> writtenValue(const SettingRow &row, const SettingValue &value)
{
    switch (row.shape) {
    case LineShape::Text:
        return value.text;
    case LineShape::OnOff:
    case LineShape::OnOffInverted:
        return QString(QLatin1Char(value.checked != (row.shape == LineShape::OnOffInverted) ? '1' : '0'));
    case LineShape::Mapped:
        for (const TextureMode &mode : textureModes) {
            if (value.text == QLatin1StringView(mode.listText))
                return QString::fromLatin1(mode.glName);
        }
        return std::nullopt;
    }
    return std::nullopt;
}

QString settingLine(const SettingRow &row, const QString &value)
{
    QString line;
    appendSeta(line, row.cvar, value);
    line.chop(crlf.size());
    return line;
}

QString bindLine(const QString &key, const char *quotedCommand)
{
    QString line;
    appendBind(line, key, quotedCommand);
    line.chop(crlf.size());
    return line;
}

QString notANumberMessage(const QString &text)
{
    return u'\'' + text + QLatin1StringView("' is not a valid floating point value");
}

GenerationInput defaultInput()
{
    GenerationInput input;
    for (int i = 0; i < SettingCount; ++i) {
        const SettingRow &row = settingRows[i];
        input.settings[i].checked = row.defaultChecked;
        input.settings[i].text = row.defaultText ? QString::fromLatin1(row.defaultText) : QString();
    }
    for (int i = 0; i < ScriptCount; ++i)
        input.scripts[i].key = QString::fromLatin1(scriptBlocks[i].defaultKey);
    for (int i = 0; i < ClassBindCount; ++i)
        input.classes[i].key = QString::fromLatin1(classBinds[i].defaultKey);
    return input;
}

GenerationResult generate(const GenerationInput &input)
{
    GenerationResult result;
    QString &out = result.text;
    out.reserve(4096);

    if (input.unbindAll) {
        out += crlf;
        appendLine(out, QLatin1StringView(unbindAllLine));
    }

    for (int i = 0; i < SettingCount; ++i) {
        const SettingRow &row = settingRows[i];
        const SettingValue &value = input.settings[i];
        if (!value.enabled)
            continue;
        if (!appendSettingLine(out, row, value))
            continue;
        if (!runMeter(row, value, result.meter)) {
            result.error = notANumberMessage(value.text);
            return result;
        }
    }

    for (int i = 0; i < ScriptCount; ++i) {
        if (!input.scripts[i].ticked)
            continue;
        const ScriptBlock &block = scriptBlocks[i];
        out += crlf;
        for (int l = 0; l < block.lineCount; ++l)
            appendLine(out, QLatin1StringView(block.lines[l]));
        appendBind(out, input.scripts[i].key, block.quotedCommand);
    }

    for (int i = 0; i < ClassBindCount; ++i) {
        if (!input.classes[i].ticked)
            continue;
        out += crlf;
        appendBind(out, input.classes[i].key, classBinds[i].quotedCommand);
    }
    return result;
}

} // namespace brackwell
