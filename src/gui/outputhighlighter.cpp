#include "gui/outputhighlighter.h"

#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>
#include <utility>

using namespace brackwell;

namespace {

// What a block showed when it was last highlighted.
class BlockReading : public QTextBlockUserData
{
public:
    explicit BlockReading(BoxLine line) : line(std::move(line)) {}
    BoxLine line;
};

// A block's state. After a line where every console starts afresh: bit 0 set, bit 1 for a "/*"
// comment still open as written, bit 2 for a NUL character before. Otherwise bit 0 clear and a
// digest of what the rest of its segment shows, so that a change there reaches the blocks after.
constexpr int settledBit = 1;
constexpr int commentBit = 2;
constexpr int nulBit = 4;

int settledState(const BoxStart &next)
{
    return settledBit | (next.inComment ? commentBit : 0) | (next.afterNul ? nulBit : 0);
}

bool isSettled(int state)
{
    return state < 0 || (state & settledBit) != 0;
}

BoxStart startAfter(const QTextBlock &previous)
{
    BoxStart start;
    const int state = previous.isValid() ? previous.userState() : -1;
    if (state >= 0) {
        start.inComment = (state & commentBit) != 0;
        start.afterNul = (state & nulBit) != 0;
    }
    return start;
}

size_t digest(const BoxLine &line, size_t sum)
{
    for (const RoleStretch &role : line.roles)
        sum = qHashMulti(sum, role.start, role.length, int(role.role));
    for (const CodeStretch &code : line.codes)
        sum = qHashMulti(sum, code.start, code.digit);
    for (const LineMark &mark : line.marks)
        sum = qHashMulti(sum, mark.start, mark.length, mark.tip);
    return sum;
}

QTextCharFormat roleFormat(TextRole role)
{
    QTextCharFormat format;
    switch (role) {
    case TextRole::Command:
        format.setForeground(QColor(0, 0, 160));
        format.setFontWeight(QFont::Bold);
        break;
    case TextRole::Name: format.setForeground(QColor(128, 0, 128)); break;
    case TextRole::Value: format.setForeground(QColor(150, 75, 0)); break;
    case TextRole::Comment: format.setForeground(QColor(128, 128, 128)); break;
    }
    return format;
}

} // namespace

OutputHighlighter::OutputHighlighter(QPlainTextEdit *box, const std::array<QColor, 10> &codeColours)
    : QSyntaxHighlighter(box)
    , m_box(box)
    , m_codeColours(codeColours)
    , m_roleFormats{roleFormat(TextRole::Command), roleFormat(TextRole::Name), roleFormat(TextRole::Value),
                    roleFormat(TextRole::Comment)}
{
    // A change makes the readings held stale before the highlighter's own handling re-highlights
    // from the changed block on; the blocks before it are seen to after that.
    // Re-highlighting reports a change of the same length: that one changes no text.
    QTextDocument *document = box->document();
    connect(document, &QTextDocument::contentsChange, this, [this] {
        if (!m_formatting)
            ++m_changes;
    });
    setDocument(document);
    connect(document, &QTextDocument::contentsChange, this, [this](int position) {
        if (!m_formatting)
            showChanges(position);
    });
    m_viewport = box->viewport();
    m_viewport->installEventFilter(this);
    // Highlight now rather than once the event loop runs: until then the highlighter would leave
    // changes to the box unformatted.
    m_formatting = true;
    rehighlight();
    m_formatting = false;
}

void OutputHighlighter::setSavedEncoding(QStringConverter::Encoding encoding)
{
    const SavedBytes bytes(encoding);
    if (bytes == m_bytes)
        return;
    m_bytes = bytes;
    ++m_changes;
    m_formatting = true;
    rehighlight();
    m_formatting = false;
}

BoxLine OutputHighlighter::shown(const QTextBlock &block)
{
    const auto *reading = dynamic_cast<const BlockReading *>(block.userData());
    return reading ? reading->line : BoxLine();
}

QStringList OutputHighlighter::tipsAt(const QTextBlock &block, int at)
{
    QStringList tips;
    for (const LineMark &mark : shown(block).marks) {
        if (at >= mark.start && at < mark.start + mark.length && !tips.contains(mark.tip))
            tips << mark.tip;
    }
    return tips;
}

const OutputHighlighter::Segment &OutputHighlighter::segmentFor(const QTextBlock &block, int number)
{
    const int cachedEnd = m_segment.first + int(m_segment.lines.size());
    const bool current = m_segment.changes == m_changes;
    if (current && number >= m_segment.first && number < cachedEnd)
        return m_segment;
    // A pass over the blocks in order reads further ahead each time.
    m_readAhead = current && number == cachedEnd ? std::min(m_readAhead * 2, 1024) : 1;

    QTextBlock first = block;
    while (first.previous().isValid() && !isSettled(first.previous().userState()))
        first = first.previous();
    const BoxStart start = startAfter(first.previous());
    const int wanted = number - first.blockNumber() + 1;

    QString text;
    QTextBlock next = first;
    int count = 0;
    for (int chunk = std::max(wanted, m_readAhead);; chunk *= 2) {
        for (; next.isValid() && count < chunk; next = next.next(), ++count) {
            if (count > 0)
                text += u'\n';
            text += next.text();
        }
        const BoxReading reading = readBox(text, start, gameVersions(), m_bytes);
        // The reading holds up to its last line after which every console starts afresh.
        int last = next.isValid() ? -1 : count - 1;
        for (int i = count - 1; last < 0 && i >= 0; --i) {
            if (reading.settled[i])
                last = i;
        }
        if (last < wanted - 1)
            continue;
        m_segment.changes = m_changes;
        m_segment.first = first.blockNumber();
        m_segment.lines = reading.lines.mid(0, last + 1);
        m_segment.states.resize(last + 1);
        size_t rest = qHash(settledState(reading.next[last]));
        for (int i = last; i >= 0; --i) {
            m_segment.states[i] = reading.settled[i] ? settledState(reading.next[i]) : int((rest & 0x3FFFFFFF) << 1);
            rest = digest(reading.lines[i], rest);
        }
        return m_segment;
    }
}

void OutputHighlighter::highlightBlock(const QString &text)
{
    const QTextBlock block = currentBlock();
    const int number = block.blockNumber();
    const Segment &segment = segmentFor(block, number);
    const int index = number - segment.first;
    const BoxLine &line = segment.lines.at(index);

    // Most lines of a long file show nothing: they need no data of their own.
    if (line.roles.isEmpty() && line.codes.isEmpty() && line.marks.isEmpty()) {
        if (currentBlockUserData())
            setCurrentBlockUserData(nullptr);
    } else {
        applyFormats(line, int(text.size()));
        setCurrentBlockUserData(new BlockReading(line));
    }
    setCurrentBlockState(segment.states.at(index));
}

// Sets one format per stretch of the block that looks alike: its role, a colour code, a mark.
void OutputHighlighter::applyFormats(const BoxLine &line, int size)
{
    // Colours stop after some thousands of characters: a line that long holds no script the
    // console reads as one command, and a format for each of its words would cost the box's
    // layout more than the colours are worth. Marks go everywhere.
    constexpr int colouredLength = 8192;
    QList<int> cuts = {0, size};
    for (const RoleStretch &role : line.roles) {
        if (role.start < colouredLength)
            cuts << role.start << role.start + role.length;
    }
    for (const CodeStretch &code : line.codes) {
        if (code.start < colouredLength)
            cuts << code.start << code.start + 2;
    }
    for (const LineMark &mark : line.marks)
        cuts << mark.start << mark.start + mark.length;
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    while (!cuts.isEmpty() && cuts.back() > size)
        cuts.removeLast();
    auto piece = [&](int at) { return int(std::lower_bound(cuts.begin(), cuts.end(), at) - cuts.begin()); };

    // What covers each piece between two cuts.
    QList<int> roles(cuts.size(), -1), codes(cuts.size(), -1), marked(cuts.size() + 1, 0);
    for (const RoleStretch &role : line.roles) {
        for (int p = piece(role.start); role.start < colouredLength && p < cuts.size() && cuts[p] < role.start + role.length; ++p)
            roles[p] = int(role.role);
    }
    for (const CodeStretch &code : line.codes) {
        for (int p = piece(code.start); code.start < colouredLength && p < cuts.size() && cuts[p] < code.start + 2; ++p)
            codes[p] = code.digit;
    }
    for (const LineMark &mark : line.marks) {
        ++marked[piece(mark.start)];
        --marked[piece(std::min(mark.start + mark.length, size))];
    }
    int marks = 0;
    for (int p = 0; p + 1 < cuts.size(); ++p) {
        marks += marked[p];
        if (roles[p] < 0 && codes[p] < 0 && marks == 0)
            continue;
        QTextCharFormat format = roles[p] >= 0 ? m_roleFormats[std::size_t(roles[p])] : QTextCharFormat();
        if (codes[p] >= 0) {
            // A colour code in its own colour, as the name chart shows it: on the window's ground,
            // or on a dark one where the colour is too light to read on that (white, yellow).
            const QColor colour = m_codeColours[std::size_t(codes[p])];
            format.setForeground(colour);
            format.setBackground(colour.lightnessF() > 0.7 ? QColor(80, 80, 80) : m_box->palette().color(QPalette::Window));
        }
        if (marks > 0) {
            format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
            format.setUnderlineColor(Qt::red);
        }
        setFormat(cuts[p], cuts[p + 1] - cuts[p], format);
    }
}

// Blocks before the change whose reading or state it changed: read together with it, the
// highlighter's own pass, which starts at the changed block, does not reach them.
void OutputHighlighter::showChanges(int position)
{
    const QTextBlock changed = document()->findBlock(position);
    QList<QTextBlock> stale;
    for (QTextBlock block = changed.previous(); block.isValid() && !isSettled(block.userState());
         block = block.previous()) {
        // Its state too: a stale digest could match a later one and stop a pass too early.
        const int number = block.blockNumber();
        const Segment &segment = segmentFor(block, number);
        const int index = number - segment.first;
        if (segment.lines.at(index) != shown(block) || segment.states.at(index) != block.userState())
            stale << block;
    }
    m_formatting = true;
    for (QTextBlock block : stale) {
        const int number = block.blockNumber();
        const Segment &segment = segmentFor(block, number);
        const int index = number - segment.first;
        // A block that shows the same needs its new state only.
        if (segment.lines.at(index) == shown(block))
            block.setUserState(segment.states.at(index));
        else
            rehighlightBlock(block);
    }
    m_formatting = false;
}

bool OutputHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by address only: the box may be going, its viewport still sending events.
    if (watched != m_viewport || event->type() != QEvent::ToolTip)
        return QSyntaxHighlighter::eventFilter(watched, event);
    const auto *help = static_cast<QHelpEvent *>(event);
    // The character under the mouse: the cursor lands on its nearer edge.
    const QTextCursor cursor = m_box->cursorForPosition(help->pos());
    const QRect edge = m_box->cursorRect(cursor);
    const int at = cursor.positionInBlock() - (help->pos().x() < edge.x() ? 1 : 0);
    QStringList tips;
    if (help->pos().y() >= edge.top() && help->pos().y() <= edge.bottom())
        tips = tipsAt(cursor.block(), at);
    if (tips.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tips.join(u'\n'), m_box->viewport());
    return true;
}
