// libFuzzer target for reading config files: any bytes must read without a crash or a sanitizer
// report, and whatever state they give must write a script that reads back to that same state.
// Built and run by `tools/dev.sh fuzz`.
#include "settings/configreader.h"

#include <cstddef>
#include <cstdint>

using namespace brackwell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (qint64(size) > maxConfigFileSize)
        return 0;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const ConfigRead read = readConfig(configFileText(bytes, QStringConverter::Latin1));
    (void)openReport(read);

    // The state's own script holds nothing the window cannot hold, and gives the state again.
    const QString written = generate(read.input).text;
    const ConfigRead again = readConfig(written);
    if (!again.unheld.isEmpty() || generate(again.input).text != written)
        __builtin_trap();
    return 0;
}
