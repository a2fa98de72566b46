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

struct BoxReader::Reading {
    QString text;
    BoxStart start;
    QList<const ConsoleRules *> versions;
    Lines lines;
    QList<Span> consoleLines;          // the console's lines: its line breaks include the box's own
    QList<int> firstConsoleLine;       // per box line, its first console line; one more at the end
    QList<Meaning> meanings;           // per console line
    QList<ConsoleRead> reads;          // per version
    QList<QList<LineCommands>> byLine; // per version, per console line
    QList<BoxLine> colours;            // per box line, ET: Legacy's colours without marks
    QList<bool> settled;
    QList<BoxStart> next;

    // The marks of each version on box line `line`, before they get their subject.
    QList<Stretch> found(qsizetype v, int line) const;
};

BoxReader::BoxReader(QStringView text, const BoxStart &start, const QList<const ConsoleRules *> &versions,
                     const SavedBytes &bytes)
{
    auto reading = std::make_unique<Reading>();
    Reading &r = *reading;
    r.text = text.toString();
    r.start = start;
    r.versions = versions;
    Lines &lines = r.lines;
    lines.size = text.size();
    lines.starts << 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            lines.starts << i + 1;
    }
    const int lineCount = int(lines.starts.size());
    r.colours.resize(lineCount);
    r.settled = QList<bool>(lineCount, true);
    r.next.resize(lineCount);

    for (qsizetype from = 0;;) {
        qsizetype to = from;
        while (to < text.size() && !endsConsoleLine(text[to]))
            ++to;
        r.consoleLines.append({from, to});
        if (to >= text.size())
            break;
        from = to + 1;
    }
    r.firstConsoleLine = QList<int>(lineCount + 1, int(r.consoleLines.size()));
    for (qsizetype l = r.consoleLines.size() - 1; l >= 0; --l)
        r.firstConsoleLine[lines.at(r.consoleLines[l].start)] = int(l);
    for (int line = lineCount - 1; line >= 0; --line)
        r.firstConsoleLine[line] = std::min(r.firstConsoleLine[line], r.firstConsoleLine[line + 1]);

    r.meanings.reserve(r.consoleLines.size());
    bool open = start.inComment;
    for (const Span &line : r.consoleLines) {
        r.meanings.append(readMeaning(text, line.start, line.end, open));
        open = r.meanings.back().openAfter;
        r.next[lines.at(line.start)].inComment = open;
    }

    const SavedText saved(text, bytes);
    for (qsizetype v = 0; v < versions.size(); ++v) {
        ConsoleRead read;
        if (start.afterNul)
            read.uses = QList<CharUse>(text.size(), CharUse::Unread);
        else
            read = saved.read(*versions[v]);
        r.byLine.append(commandsByLine(read, r.consoleLines));
        if (v == 0)
            colour(text, read, lines, r.colours);
        // A command the buffer was still scanning at a line's end ties that line to the next.
        for (const ReadCommand &command : read.commands) {
            for (int line = lines.at(command.start); line < lineCount && lines.end(line) < command.scanEnd; ++line)
                r.settled[line] = false;
        }
        r.reads.append(std::move(read));
    }

    for (int line = 0; line < lineCount; ++line)
        r.next[line].afterNul = start.afterNul;
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) {
        for (int line = lines.at(nul); line < lineCount; ++line)
            r.next[line].afterNul = true;
    }
    m_reading = std::move(reading);
}

BoxReader::~BoxReader() = default;

int BoxReader::lineCount() const
{
    return int(m_reading->lines.starts.size());
}

bool BoxReader::settled(int line) const
{
    return m_reading->settled.at(line);
}

BoxStart BoxReader::next(int line) const
{
    return m_reading->next.at(line);
}

QList<Stretch> BoxReader::Reading::found(qsizetype v, int line) const
{
    QList<Stretch> found;
    const ConsoleRules &rules = *versions[v];
    for (int l = firstConsoleLine[line]; l < firstConsoleLine[line + 1]; ++l) {
        const Span &span = consoleLines[l];
        if (readAsMeant(meanings[l], reads[v], byLine[v][l], rules))
            continue;
        const LineContext context{text, reads[v], rules, meanings[l], span.start, span.end,
                                  byLine[v][l], lines, start.afterNul};
        QList<Stretch> stretches = explain(context);
        if (stretches.isEmpty())
            stretches.append({span.start, std::max(span.end, span.start + 1), QString()});
        found += stretches;
    }
    return found;
}

BoxLine BoxReader::line(int line) const
{
    const Reading &r = *m_reading;
    BoxLine box = r.colours.at(line);
    QList<QList<Stretch>> found;
    for (qsizetype v = 0; v < r.versions.size(); ++v)
        found.append(r.found(v, line));

    // One mark per stretch: "The game" when every version finds it, else the versions that do.
    for (qsizetype v = 0; v < r.versions.size(); ++v) {
        for (const Stretch &stretch : found[v]) {
            bool everywhere = true;
            bool seen = false;
            for (qsizetype w = 0; w < r.versions.size(); ++w) {
                const bool has = std::any_of(found[w].begin(), found[w].end(), [&](const Stretch &s) {
                    return s.start == stretch.start && s.end == stretch.end && s.predicate == stretch.predicate;
                });
                everywhere = everywhere && has;
                seen = seen || (w < v && has);
            }
            if (seen)
                continue;
            const QString subject = everywhere ? QStringLiteral("The game") : QString::fromLatin1(r.versions[v]->name);
            const QString tip = stretch.predicate.isEmpty()
                                    ? (everywhere ? QString::fromLatin1(unexplainedTip)
                                                  : subject + QStringLiteral(" reads this line differently from how it is written."))
                                    : subject + u' ' + stretch.predicate;
            const qsizetype clippedEnd = std::min(stretch.end, std::max(r.lines.end(line), stretch.start + 1));
            box.marks.append({int(stretch.start - r.lines.starts[line]), int(clippedEnd - stretch.start), tip});
        }
    }
    return box;
}

BoxReading readBox(QStringView text, const BoxStart &start, const QList<const ConsoleRules *> &versions,
                   const SavedBytes &bytes)
{
    const BoxReader reader(text, start, versions, bytes);
    BoxReading box;
    const int lineCount = reader.lineCount();
    box.lines.reserve(lineCount);
    for (int line = 0; line < lineCount; ++line) {
        box.lines.append(reader.line(line));
        box.settled.append(reader.settled(line));
        box.next.append(reader.next(line));
    }
    return box;
}

} // namespace brackwell
