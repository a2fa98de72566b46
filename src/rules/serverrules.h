#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What an ET: Legacy server makes of a player's variables: its `sv_cvar` rules. The client does not
// refuse a value that breaks one; on every frame while it is connected it sets the variable to what
// the rule allows, and that value stays after it leaves.

namespace brackwell {

struct ServerRule {
    enum class Mode { Equal, Greater, GreaterEqual, Lower, LowerEqual, Inside, Outside, Include, Exclude,
                      WithBits, WithoutBits };
    QString variable; // in lower case, as the server keeps it
    Mode mode = Mode::Equal;
    QByteArray value1;
    QByteArray value2; // empty where the rule has none
};

// The mode a word of `sv_cvar` names (either spelling, any capitals), or nothing.
std::optional<ServerRule::Mode> ruleMode(QStringView word);

// One frame of the client's check: what it sets a variable holding `value` to where the value
// breaks the rule, or nothing where it keeps it. Values are the bytes the console holds.
std::optional<QByteArray> ruleFrame(const ServerRule &rule, const QByteArray &value);

// What the variable holds once the client has checked it frame after frame: the value where it
// keeps the rule, else what the checks settle at (the last of a cycle that never settles).
QByteArray enforcedValue(const ServerRule &rule, const QByteArray &value);

// A server's rules, as its config leaves them: `sv_cvarempty` forgets the earlier ones, a later rule
// for a variable replaces its earlier one in place, and the server takes 128 at most.
struct RuleSet {
    QString name;
    QList<ServerRule> rules;
    // The rule for `variable` (any capitals), or none.
    const ServerRule *ruleFor(QStringView variable) const;
};

// The sets ET: Legacy ships with its server: Legacy 1on1, 3on3, 5on5, 6on6 and Legacy Competition.
QList<RuleSet> shippedRuleSets();

// The rules of a server's own config: the `command "sv_cvar ..."` lines of a `.config`, or the
// `sv_cvar` commands of a `.cfg` as its console reads them.
RuleSet readServerConfig(const QString &name, const QByteArray &bytes);

} // namespace brackwell
