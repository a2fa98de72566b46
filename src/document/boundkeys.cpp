#include "document/boundkeys.h"

#include "console/consolecommands.h"
#include "console/consolelines.h"
#include "console/keynames.h"

#include <algorithm>

namespace brackwell {

namespace {

// A command as a tip or question shows it: a whole console line would not fit on the screen.
QString shownCommand(const QString &command)
{
    constexpr qsizetype longest = 60;
    return command.size() <= longest ? command : command.left(longest - 1) + u'\u2026';
}

} // namespace

QHash<QString, BoundKey> boundKeys(QStringView text)
{
    // Where each line starts: CR LF, LF and a lone CR end a line.
    QList<qsizetype> lineStarts{0};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            lineStarts.append(i + 1);
    }
    const auto lineOf = [&lineStarts](qsizetype at) {
        return int(std::upper_bound(lineStarts.cbegin(), lineStarts.cend(), at) - lineStarts.cbegin());
    };

    QHash<QString, BoundKey> bound;
    const ConsoleRead read = readAsConsole(text, legacyConsole);
    for (const ReadCommand &command : read.commands) {
        const CommandEffect effect = commandEffect(command.words, legacyConsole);
        switch (effect.kind) {
        case CommandEffect::Kind::UnbindAll:
            bound.clear();
            break;
        case CommandEffect::Kind::Bind:
            // An empty command leaves the key as free as an unbind does.
            if (!effect.value.isEmpty()) {
                bound.insert(keyIdentity(effect.name), {effect.name, effect.value, lineOf(command.words.front().start)});
                break;
            }
            [[fallthrough]];
        case CommandEffect::Kind::Unbind:
            bound.remove(keyIdentity(effect.name));
            break;
        default:
            break;
        }
    }
    return bound;
}

std::optional<BoundKey> replacedBind(const QHash<QString, BoundKey> &bound, QStringView key, QStringView command)
{
    const auto found = bound.constFind(keyIdentity(key));
    if (found == bound.cend() || found->command == command)
        return std::nullopt;
    return *found;
}

QString boundKeyTip(const BoundKey &bound)
{
    return QStringLiteral("bound to \"%1\" on line %2").arg(shownCommand(bound.command)).arg(bound.line);
}

QString replaceBindQuestion(QStringView key, const BoundKey &bound, const QString &bindName)
{
    const QString what = bindName.isEmpty() ? QStringLiteral("The new bind") : u'"' + bindName + u'"';
    return QStringLiteral("The key \"%1\" is %2. %3 replaces that bind.\n\nGo on with this key? Choose No to "
                          "pick another key.")
        .arg(key.toString(), boundKeyTip(bound), what);
}

} // namespace brackwell
