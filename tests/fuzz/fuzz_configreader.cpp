// libFuzzer target for reading config files: any bytes must read without a crash or a sanitizer
// report, and whatever state they give must write a script that reads back to that same state.
// Where the reader lists no line of the file and "Create Config" writes the whole script, the file
// and that script must also leave the same keys bound to the same commands in the game. Editing
// the file in place with nothing changed must give it back, and with random changes must keep
// the edit's promise (support/editcheck.h), "/*" comments, NUL characters and lines past the
// console's 1,023 bytes included. Opened and saved again, a file keeps every byte.
// Built and run by `tools/dev.sh fuzz`.
#include "console/keynames.h"
#include "document/configdocument.h"
#include "document/configedit.h"
#include "document/configreader.h"
#include "console/consolecommands.h"
#include "document/textlines.h"
#include "support/editcheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>

using namespace brackwell;

namespace {

// The game's key table after ET: Legacy's console runs `text`.
std::map<QString, QString> boundKeys(QStringView text, TextBytes bytes)
{
    std::map<QString, QString> keys;
    for (const ReadCommand &command : readAsConsole(text, legacyConsole, bytes).commands) {
        const CommandEffect e = commandEffect(command.words, legacyConsole);
        if (e.kind == CommandEffect::Kind::UnbindAll)
            keys.clear();
        else if (e.kind == CommandEffect::Kind::Unbind || (e.kind == CommandEffect::Kind::Bind && e.value.isEmpty()))
            keys.erase(keyIdentity(e.name));
        else if (e.kind == CommandEffect::Kind::Bind)
            keys[keyIdentity(e.name)] = e.value;
    }
    return keys;
}

// Says which promise broke, then stops: the fuzzer keeps the input.
[[noreturn]] void broken(const QString &what)
{
    std::fprintf(stderr, "broken: %s\n", qPrintable(what));
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (qint64(size) > maxConfigFileSize)
        return 0;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    // Read as the program opens a file: UTF-8 where the bytes are, else one character per byte.
    const DecodedConfig decoded = decodeConfigFile(bytes, QStringConverter::Latin1);
    const QString &text = decoded.text;
    const bool utf8 = decoded.encoding == QStringConverter::Utf8;
    const TextBytes measure = utf8 ? TextBytes::Utf8 : TextBytes::OnePerCharacter;
    const ConfigRead read = readConfig(text, utf8);
    (void)openReport(read);

    // Edit mode: "Create Config" with nothing changed gives the text back; with random changes
    // (drawn from the input itself, so a crash repeats) it keeps the edit's promise.
    if (editConfig(text, read, read.input) != text)
        broken(QStringLiteral("the unchanged edit changed the text"));
    const bool promised = testing::editPromised(text, read, utf8);
    testing::RandomState random(quint32(qHash(bytes)));
    for (int round = 0; promised && round < 3; ++round) {
        const GenerationInput now = testing::changedState(random, read.input);
        const QString edited = editConfig(text, read, now);
        if (const QString breach = testing::editBreach(text, read, now, edited, utf8); !breach.isEmpty())
            broken(breach + QStringLiteral("\nthe edited text:\n") + edited);
    }

    // Opened and saved with nothing changed, by either save, the file keeps every byte: its line
    // breaks, U+2028 and U+2029 and bytes its character set cannot read included.
    FileRead file;
    file.bytes = bytes;
    const ConfigDocument::Opening opening = ConfigDocument::open(QStringLiteral("fuzz.cfg"), file, QStringConverter::Latin1);
    if (opening.document) {
        const ScriptBytes saved = opening.document->bytesFor(withLineFeeds(opening.document->text()));
        if (!saved.ok() || saved.bytes != bytes)
            broken(QStringLiteral("saved again, the file changed: ") + saved.error);
    }

    // The state's own script holds nothing the window cannot hold, and gives the state again.
    const GenerationResult created = generate(read.input);
    const QString &written = created.text;
    const ConfigRead again = readConfig(written);
    // Lines are listed only where 2.60 parts from ET: Legacy (a value longer than 2.60 keeps).
    const bool whole = std::all_of(again.unheld.cbegin(), again.unheld.cend(),
                                   [](const FileLine &line) { return line.why.startsWith(QLatin1StringView("2.60")); });
    // A value the file gave over several lines (a "/*" comment inside the command) may not fit the
    // console's line once written on one.
    const bool fitsLine = std::all_of(again.places.lines.cbegin(), again.places.lines.cend(),
                                      [](const LineSpan &line) { return line.text.length <= consoleLineLength; });
    if (fitsLine && (!whole || generate(again.input).text != written))
        broken(QStringLiteral("the state's own script does not come back"));
    // A value that is no number where the bars need one stops Create Config part way.
    if (read.unheld.isEmpty() && created.ok() && boundKeys(text, measure) != boundKeys(written, measure))
        broken(QStringLiteral("the state's own script binds other keys"));
    return 0;
}
