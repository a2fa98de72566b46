#include "support/randomstate.h"

#include "console/keynames.h"

#include <QStringList>

namespace brackwell::testing {

namespace {

const QStringList anyPieces = {
    "\"", "\"\"", ";", "; quit", "\\", "^1", " ", "\t", "\n", "\r\n", "\r", "say \"hi\"", "Ωμέγα", "名前",
    QString::fromUtf8("\xF0\x9F\x98\x80"), "é", "%s", "%1", "&amp;", "<b>", "seta", "bind", "0", "1.5", ",", "."};

// What a quoted console value carries unchanged: no quote, no line break, no ';' (the console
// keeps it inside quotes, but a value is also read back from the line it is written on).
const QStringList safePieces = {"\\", "^1", "^a", " ", "  ", "//", "/*", "é", "ß", QString(QChar(0xA0)), "%s",
                                "&amp;", "<b>", "seta", "bind", "0", "1.5", ",", ".", "-", "White", "x y"};

const QStringList judgedPieces = {"\"", "\"\"", ";", "; ", "//", "/*", "*/", " /* ", " // ", "\\", "^1", "^a", " ",
                                  "  ", "\t", "é", "ß", QString(QChar(0xA0)), QString(QChar(0xFF)), ":", "http://x",
                                  "say \"hi\"", "seta", "unsafe", "0", "1.5", "x y", ",", "."};

// Values that are numbers; anything else made here holds a letter and is not.
const QStringList numbers = {"0", "1", "2", "3", "16", "24", "32", "50", "51", "699", "700", "1249", "1250",
                             "10000", "2.5", "-4", " 7 ", "1e3", ".5"};

} // namespace

GenerationInput allOff()
{
    GenerationInput input = defaultInput();
    for (SettingValue &setting : input.settings)
        setting.enabled = false;
    return input;
}

void keepLastBindOfEachKey(GenerationInput &input)
{
    QList<KeyedTick *> binds;
    for (KeyedTick &script : input.scripts)
        binds << &script;
    for (KeyedTick &bind : input.classes)
        binds << &bind;
    QStringList later;
    for (auto it = binds.rbegin(); it != binds.rend(); ++it) {
        if (!(*it)->ticked)
            continue;
        const QString key = keyIdentity((*it)->key);
        if (later.contains(key))
            (*it)->ticked = false;
        later << key;
    }
}

GenerationInput everythingTicked()
{
    GenerationInput input = defaultInput();
    input.unbindAll = true;
    for (KeyedTick &script : input.scripts)
        script.ticked = true;
    for (KeyedTick &bind : input.classes)
        bind.ticked = true;
    return input;
}

QString RandomState::text(const StateRules &rules)
{
    const QStringList &pieces = rules.judged ? judgedPieces : rules.consoleSafe ? safePieces : anyPieces;
    // A judged text is sometimes just longer than a console line.
    const int longest = rules.judged ? 1100 : rules.consoleSafe ? 200 : 20000;
    switch (m_random.bounded(8)) {
    case 0: return {};
    case 1: return QString(int(m_random.bounded(longest)), QChar(u'a' + m_random.bounded(26)));
    default: {
        QString s;
        const int count = int(m_random.bounded(1, 8));
        for (int i = 0; i < count; ++i)
            s += pieces.at(int(m_random.bounded(pieces.size())));
        return s;
    }
    }
}

QString RandomState::meterValue(const StateRules &rules, bool &isNumber)
{
    isNumber = rules.numericMeters || m_random.bounded(10) != 0;
    return isNumber ? numbers.at(int(m_random.bounded(numbers.size()))) : "x" + text(rules);
}

QString RandomState::keyName()
{
    for (;;) {
        const PickerKey &key = pickerKeys[m_random.bounded(PickerKeyCount)];
        if (key.name)
            return QString::fromLatin1(key.name);
    }
}

QString RandomState::keyText(const StateRules &rules)
{
    if (rules.keyNames)
        return keyName();
    QString key = text(rules);
    // Among the console-safe pieces a '*' only comes in "/*".
    if (rules.consoleSafe && !rules.judged)
        key.remove(u'*');
    return key;
}

GenerationInput RandomState::input(const StateRules &rules, QList<bool> *numeric)
{
    GenerationInput input;
    for (int i = 0; i < SettingCount; ++i) {
        const SettingRow &row = settingRows[i];
        SettingValue &value = input.settings[std::size_t(i)];
        bool isNumber = true;
        if (row.kind == ControlKind::Check)
            value.checked = chance(50);
        else if (meterReadsNumber(row))
            value.text = meterValue(rules, isNumber);
        else if (row.shape == LineShape::Mapped && chance(60))
            value.text = QString::fromLatin1(row.items.items[below(row.items.count)]);
        else if (row.items.count > 0 && chance(40))
            value.text = QString::fromLatin1(row.items.items[below(row.items.count)]);
        else
            value.text = text(rules);
        value.enabled = !chance(15);
        if (numeric)
            numeric->append(isNumber);
    }
    input.unbindAll = chance(30);
    for (KeyedTick &script : input.scripts)
        script = {chance(40), keyText(rules)};
    for (KeyedTick &bind : input.classes)
        bind = {chance(40), keyText(rules)};
    return input;
}

} // namespace brackwell::testing
