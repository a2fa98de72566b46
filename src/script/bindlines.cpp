#include "script/bindlines.h"

namespace brackwell {

const char *const insufficientDataMessage = "Insufficient data entered";

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

QString textToAppend(const QString &existing, const QString &line)
{
    if (existing.isEmpty() || existing.endsWith(u'\n'))
        return line + u'\n';
    return u'\n' + line;
}

} // namespace brackwell
