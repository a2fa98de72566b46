#include "marks/consolemarks.h"

#include "marks/marksdetail.h"

#include <QHash>
#include <QStringEncoder>

#include <algorithm>
#include <optional>

namespace brackwell {

const char *const unexplainedTip = "The game reads this line differently from how it is written.";

bool operator==(const RoleStretch &a, const RoleStretch &b)
{
    return a.start == b.start && a.length == b.length && a.role == b.role;
}

bool operator==(const CodeStretch &a, const CodeStretch &b)
{
    return a.start == b.start && a.digit == b.digit;
}

bool operator==(const LineMark &a, const LineMark &b)
{
    return a.start == b.start && a.length == b.length && a.tip == b.tip;
}

bool operator==(const BoxLine &a, const BoxLine &b)
{
    return a.roles == b.roles && a.codes == b.codes && a.marks == b.marks;
}

const SavedBytes SavedBytes::OnePerCharacter(QStringConverter::Latin1);
const SavedBytes SavedBytes::Utf8(QStringConverter::Utf8);

int SavedBytes::of(QChar c) const
{
    if (c.unicode() < 0x80 || m_encoding == QStringConverter::Latin1)
        return 1;
    if (m_encoding == QStringConverter::Utf8) // two bytes each half of a pair, two below U+0800, three above
        return c.isSurrogate() || c.unicode() < 0x800 ? 2 : 3;
    QStringEncoder encoder(m_encoding);
    return std::max(1, int(QByteArray(encoder.encode(QStringView(&c, 1))).size()));
}

const QList<const ConsoleRules *> &gameVersions()
{
    static const QList<const ConsoleRules *> versions = {&legacyConsole, &originalConsole};
    return versions;
}

namespace {

using namespace marks;

// The text as the file the box is saved to holds it, one character per byte: each line break a
// CR LF, and in UTF-8 a letter beyond ASCII followed by stand-ins for its further bytes, which the
// console takes as it takes any byte above 127. The length of a command counts them all.
class SavedText
{
public:
    SavedText(QStringView text, const SavedBytes &bytes)
        : m_size(text.size()), m_byteValues(bytes == SavedBytes::OnePerCharacter)
    {
        m_file.reserve(text.size() + text.size() / 16);
        m_toBox.reserve(m_file.capacity() + 2);
        QHash<char16_t, int> counted;
        for (qsizetype b = 0; b < text.size(); ++b) {
            const QChar c = text[b];
            m_toBox << b;
            if (endsConsoleLine(c)) {
                m_toBox << b;
                m_file += QLatin1StringView("\r\n");
                continue;
            }
            m_file += c;
            if (c.unicode() < 0x80)
                continue;
            auto it = counted.find(c.unicode());
            if (it == counted.end())
                it = counted.insert(c.unicode(), bytes.of(c));
            for (int i = 1; i < *it; ++i) {
                m_toBox << b;
                m_file += byteStandIn;
                m_standIns = true;
            }
        }
        // The line break the game puts after the text, and the end of its buffer.
        m_toBox << m_size << m_size + 1;
    }

    // The console's reading of the file, in the positions of the box's text.
    ConsoleRead read(const ConsoleRules &rules) const
    {
        return readInTextPositions(
            readAsConsole(m_file, rules, m_byteValues ? TextBytes::OnePerCharacter : TextBytes::CountedBytes), m_toBox,
            m_size, m_standIns);
    }

private:
    QString m_file;
    QList<qsizetype> m_toBox; // each position of the file in the box: both characters of a CR LF at its line break
    qsizetype m_size;
    bool m_byteValues; // each character above 127 is the file's byte of that value (Latin-1)
    bool m_standIns = false;
};

} // namespace

BoxReading readBox(QStringView text, const BoxStart &start, const QList<const ConsoleRules *> &versions,
                   const SavedBytes &bytes)
{
    BoxReading box;
    Lines lines;
    lines.size = text.size();
    lines.starts << 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            lines.starts << i + 1;
    }
    const int lineCount = int(lines.starts.size());
    box.lines.resize(lineCount);
    box.settled = QList<bool>(lineCount, true);
    box.next.resize(lineCount);

    // The console's lines: its line breaks include the box's own.
    QList<Span> consoleLines;
    for (qsizetype from = 0;;) {
        qsizetype to = from;
        while (to < text.size() && !endsConsoleLine(text[to]))
            ++to;
        consoleLines.append({from, to});
        if (to >= text.size())
            break;
        from = to + 1;
    }

    const SavedText saved(text, bytes);

    QList<Meaning> meanings;
    meanings.reserve(consoleLines.size());
    bool open = start.inComment;
    for (const Span &line : consoleLines) {
        meanings.append(readMeaning(text, line.start, line.end, open));
        open = meanings.back().openAfter;
        box.next[lines.at(line.start)].inComment = open;
    }

    // Marks of each version, by box line, before they get their subject.
    QList<QList<QList<Stretch>>> found(versions.size(), QList<QList<Stretch>>(lineCount));
    for (qsizetype v = 0; v < versions.size(); ++v) {
        const ConsoleRules &rules = *versions[v];
        ConsoleRead read;
        if (start.afterNul)
            read.uses = QList<CharUse>(text.size(), CharUse::Unread);
        else
            read = saved.read(rules);
        const QList<LineCommands> byLine = commandsByLine(read, consoleLines);
        for (qsizetype l = 0; l < consoleLines.size(); ++l) {
            const Span &span = consoleLines[l];
            if (readAsMeant(meanings[l], read, byLine[l], rules))
                continue;
            const LineContext context{text, read, rules, meanings[l], span.start, span.end,
                                      byLine[l], lines, start.afterNul};
            QList<Stretch> stretches = explain(context);
            if (stretches.isEmpty())
                stretches.append({span.start, std::max(span.end, span.start + 1), QString()});
            found[v][lines.at(span.start)] += stretches;
        }
        if (v == 0)
            colour(text, read, lines, box.lines);
        // A command the buffer was still scanning at a line's end ties that line to the next.
        for (const ReadCommand &command : read.commands) {
            for (int line = lines.at(command.start); line < lineCount && lines.end(line) < command.scanEnd; ++line)
                box.settled[line] = false;
        }
    }

    // One mark per stretch: "The game" when every version finds it, else the versions that do.
    for (int line = 0; line < lineCount; ++line) {
        QList<LineMark> &marks = box.lines[line].marks;
        for (qsizetype v = 0; v < versions.size(); ++v) {
            for (const Stretch &stretch : found[v][line]) {
                bool everywhere = true;
                bool seen = false;
                for (qsizetype w = 0; w < versions.size(); ++w) {
                    const bool has = std::any_of(found[w][line].begin(), found[w][line].end(), [&](const Stretch &s) {
                        return s.start == stretch.start && s.end == stretch.end && s.predicate == stretch.predicate;
                    });
                    everywhere = everywhere && has;
                    seen = seen || (w < v && has);
                }
                if (seen)
                    continue;
                const QString subject = everywhere ? QStringLiteral("The game") : QString::fromLatin1(versions[v]->name);
                const QString tip = stretch.predicate.isEmpty()
                                        ? (everywhere ? QString::fromLatin1(unexplainedTip)
                                                      : subject + QStringLiteral(" reads this line differently from how it is written."))
                                        : subject + u' ' + stretch.predicate;
                const qsizetype clippedEnd = std::min(stretch.end, std::max(lines.end(line), stretch.start + 1));
                marks.append({int(stretch.start - lines.starts[line]), int(clippedEnd - stretch.start), tip});
            }
        }
        box.next[line].afterNul = start.afterNul;
    }
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) {
        for (int line = lines.at(nul); line < lineCount; ++line)
            box.next[line].afterNul = true;
    }
    return box;
}

} // namespace brackwell
