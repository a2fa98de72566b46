#include "script/bindlines.h"

namespace brackwell {

const char *const insufficientDataMessage = "Insufficient data entered";

namespace {

// A ';' in a text the game splits: when the file runs, or when the key runs its bind again.
QString semicolonMessage(const char *what, const char *action)
{
    return QStringLiteral("%1 holds \";\": the game would run what follows it as a command of its own. "
                          "Take it out to %2.")
        .arg(QLatin1StringView(what), QLatin1StringView(action));
}

} // namespace

AddResult freeBindLine(int typeIndex, const BindInputs &inputs)
{
    AddResult result;
    if (typeIndex < 0 || typeIndex > 2)
        return result;
    const auto type = BindType(typeIndex);

    // The first missing input stops it, in the order key, chat, voice.
    if (inputs.key.isEmpty() || (bindTypeUsesChat(type) && inputs.chat.isEmpty())
        || (bindTypeUsesVoice(type) && inputs.voice.isEmpty())) {
        result.status = AddResult::Insufficient;
        return result;
    }

    // Pressing the key feeds the bind's text to the console again, quotes gone: a ';' there always splits.
    if (bindTypeUsesChat(type) && inputs.chat.contains(u';')) {
        result.status = AddResult::Refused;
        result.message = semicolonMessage("The say text", "add the bind");
        return result;
    }

    const QString bind = QLatin1StringView("bind ") + inputs.key;
    switch (type) {
    case BindType::Say:
        result.line = bind + QLatin1StringView(" say ") + inputs.chat;
        result.clearOrder = {BindInput::Chat, BindInput::Key};
        break;
    case BindType::VSay:
        result.line = bind + u' ' + inputs.voice;
        result.clearOrder = {BindInput::Chat, BindInput::Voice, BindInput::Key};
        break;
    case BindType::SayAndVSay:
        // The chat text rides on the voice command as its text; a list entry keeps its own
        // quotes inside the pair added here.
        result.line = bind + QLatin1StringView(" \"") + inputs.voice + u' ' + inputs.chat + u'"';
        result.clearOrder = {BindInput::Chat, BindInput::Key, BindInput::Voice};
        break;
    }
    result.status = AddResult::Added;
    return result;
}

QString customVariableLine(const QString &name, const QString &value)
{
    if (name.isEmpty() || value.isEmpty())
        return {};
    return QLatin1StringView("seta ") + name + u' ' + value;
}

QString customVariableRefusal(const QString &name, const QString &value)
{
    if (name.contains(u';'))
        return semicolonMessage("The variable's name", "add the line");
    if (value.contains(u';'))
        return semicolonMessage("The value", "add the line");
    return {};
}

QString textToAppend(const QString &existing, const QString &line)
{
    if (existing.isEmpty() || existing.endsWith(u'\n'))
        return line + u'\n';
    return u'\n' + line;
}

} // namespace brackwell
