#pragma once

#include "script/generator.h"

#include <QList>
#include <QRandomGenerator>
#include <QString>

// Random window states for tests that must hold for any input: random text in every value and key
// box, random rows switched off, random scripts and class binds ticked. A fixed start value makes a
// failure repeat exactly.

namespace brackwell::testing {

// What a state's texts may hold. The default is anything at all, the harshest input.
struct StateRules {
    // No double quote, no line break, no ';' and only Latin-1: text the console carries unchanged
    // inside a quoted value. Key boxes, which stand unquoted in their bind lines, also hold no
    // "/*": it would open a comment that runs on over every later line of the script.
    bool consoleSafe = false;
    // Every metered value is a number, so a pass always runs to its end.
    bool numericMeters = false;
    // Every key box holds one key name the picker offers.
    bool keyNames = false;
    // One line of Latin-1 that the console judge can run: quotes, separators, comments, 8-bit
    // letters and lines longer than the console's, but no line break and nothing that ends the
    // engine. Wins over consoleSafe.
    bool judged = false;
};

// Two fixed corners of the state space: every row switched off and nothing ticked; every row on
// at its default with UnBind All, every script and every class bind ticked (the longest script).
GenerationInput allOff();
GenerationInput everythingTicked();

// Unticks every script and class bind whose key a later one in the script binds again: the game
// keeps only the last bind of a key, so only such states come back whole from their own script.
void keepLastBindOfEachKey(GenerationInput &input);

class RandomState
{
public:
    explicit RandomState(quint32 start) : m_random(start) {}

    // Any text: empty, very long, or a mix of quotes, separators, line breaks and non-Latin scripts
    // (or, under consoleSafe rules, of text the console carries unchanged).
    QString text(const StateRules &rules = {});
    // A metered value: a number, or (unless the rules forbid it) sometimes text that is not one.
    QString meterValue(const StateRules &rules, bool &isNumber);
    QString keyName();

    // A whole state. `numeric` receives, per setting row, whether its text is a number where the
    // meter needs one (true for rows the meter does not read as a number).
    GenerationInput input(const StateRules &rules, QList<bool> *numeric = nullptr);

    bool chance(int percent) { return int(m_random.bounded(100)) < percent; }
    int below(int n) { return int(m_random.bounded(n)); }

private:
    QString keyText(const StateRules &rules);

    QRandomGenerator m_random;
};

} // namespace brackwell::testing
