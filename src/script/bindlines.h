#pragma once

#include <QList>
#include <QString>

// Lines the "Extra Binds/Other CVARs" tab appends to the script: free binds of a key to a chat
// text, a voice chat or both, and a seta line for any console variable. Texts go in exactly as
// typed; the only check is that a needed input is not empty.

namespace brackwell {

// The entries of the bind type list, by index.
enum class BindType { Say = 0, VSay = 1, SayAndVSay = 2 };

inline bool bindTypeUsesChat(BindType type) { return type != BindType::VSay; }
inline bool bindTypeUsesVoice(BindType type) { return type != BindType::Say; }

// The shown text when an input is missing, for both buttons and every input.
extern const char *const insufficientDataMessage;

enum class BindInput { Key, Chat, Voice };

struct BindInputs {
    QString key;
    QString chat;  // say text
    QString voice; // voice command text; the list entries carry their own double quotes
};

struct AddResult {
    enum Status {
        Ignored,      // no bind type chosen: nothing at all happens
        Insufficient, // a needed input is empty: show the message, change nothing
        Refused,      // the say text holds ';': show `message`, change nothing
        Added,
    };
    Status status = Ignored;
    QString line;
    QString message;
    QList<BindInput> clearOrder; // inputs to empty after the line is in, in this order
};

// typeIndex is the bind type list's selected index; -1 (or anything unknown) means none.
AddResult freeBindLine(int typeIndex, const BindInputs &inputs);

// seta <name> <value>, the value unquoted. Empty when the name or the value is empty.
QString customVariableLine(const QString &name, const QString &value);
// Why the line for `name` and `value` is not added: either holds ';', which would end the seta
// there and run the rest as a command of its own. Empty when it may be added.
QString customVariableRefusal(const QString &name, const QString &value);

// What to add at the end of the output box's text so that `line` becomes its new last line:
// after a final line break the line and a break, after unfinished text a break and the line.
QString textToAppend(const QString &existing, const QString &line);

} // namespace brackwell
