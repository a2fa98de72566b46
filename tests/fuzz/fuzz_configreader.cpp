// libFuzzer target for reading config files: any bytes must read without a crash or a sanitizer
// report, and whatever state they give must write a script that reads back to that same state.
// Where the reader lists no line of the file and "Create Config" writes the whole script, the file
// and that script must also leave the same keys bound to the same commands in the game.
// Built and run by `tools/dev.sh fuzz`.
#include "settings/configreader.h"
#include "settings/consolelines.h"

#include <cstddef>
#include <cstdint>
#include <map>

using namespace brackwell;

namespace {

// The game's key table after its console runs `text`: "bind KEY COMMAND..." sets the key to its
// words joined by blanks, "unbind KEY" clears it, "unbindall" clears every key. Command and key
// names are compared without regard to case, as the game compares them.
std::map<QString, QString> boundKeys(QStringView text)
{
    std::map<QString, QString> keys;
    for (const ConsoleLine &line : splitConsoleLines(text)) {
        for (const ConsoleCommand &command : line.commands) {
            const QList<QStringView> &words = command.words;
            const auto is = [&words](const char *name) {
                return words.front().compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0;
            };
            if (is("unbindall")) {
                keys.clear();
            } else if (is("unbind") && words.size() == 2) {
                keys.erase(words[1].toString().toLower());
            } else if (is("bind") && words.size() > 2) {
                QStringList bound;
                for (qsizetype w = 2; w < words.size(); ++w)
                    bound << words[w].toString();
                keys[words[1].toString().toLower()] = bound.join(u' ');
            }
        }
    }
    return keys;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (qint64(size) > maxConfigFileSize)
        return 0;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = configFileText(bytes, QStringConverter::Latin1);
    const ConfigRead read = readConfig(text);
    (void)openReport(read);

    // The state's own script holds nothing the window cannot hold, and gives the state again.
    const GenerationResult created = generate(read.input);
    const QString &written = created.text;
    const ConfigRead again = readConfig(written);
    if (!again.unheld.isEmpty() || generate(again.input).text != written)
        __builtin_trap();
    // A value that is no number where the bars need one stops Create Config part way.
    if (read.unheld.isEmpty() && created.ok() && boundKeys(text) != boundKeys(written))
        __builtin_trap();
    return 0;
}
