#include "marks/marksdetail.h"

namespace brackwell::marks {

void colour(QStringView text, const ConsoleRead &read, const Lines &lines, QList<BoxLine> &out)
{
    auto add = [&](qsizetype start, qsizetype end, TextRole role) {
        while (start < end) {
            const int line = lines.at(start);
            const qsizetype stop = std::min(end, lines.end(line));
            if (stop > start)
                out[line].roles.append({int(start - lines.starts[line]), int(stop - start), role});
            start = stop + 1;
        }
    };
    for (const ReadCommand &command : read.commands) {
        if (command.words.isEmpty())
            continue;
        const bool named = isSetCommand(command.words[0].text) || isBindCommand(command.words[0].text);
        for (qsizetype w = 0; w < command.words.size(); ++w) {
            const ReadWord &word = command.words[w];
            const TextRole role = w == 0 ? TextRole::Command : (w == 1 && named ? TextRole::Name : TextRole::Value);
            add(word.start, word.end, role);
            if (role != TextRole::Value)
                continue;
            for (qsizetype i = word.start; i + 1 < word.end; ++i) {
                if (text[i] != u'^' || read.uses[i] != CharUse::Word || read.uses[i + 1] != CharUse::Word)
                    continue;
                const char16_t code = text[i + 1].unicode();
                if (code >= u'0' && code <= u'9') {
                    const int line = lines.at(i);
                    out[line].codes.append({int(i - lines.starts[line]), int(code - u'0')});
                }
                if (code != u'^')
                    ++i;
            }
        }
    }
    for (const ConsoleRead::Skipped &comment : read.comments)
        add(comment.start, comment.end, TextRole::Comment);
    for (BoxLine &line : out)
        std::sort(line.roles.begin(), line.roles.end(),
                  [](const RoleStretch &a, const RoleStretch &b) { return a.start < b.start; });
}

} // namespace brackwell::marks
