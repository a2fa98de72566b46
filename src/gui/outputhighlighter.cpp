#include "gui/outputhighlighter.h"

#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <limits>
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
// comment still open as written, bit 2 for a NUL character before. Otherwise 0.
constexpr int settledBit = 1;
constexpr int commentBit = 2;
constexpr int nulBit = 4;
constexpr int unsettledState = 0;

// The most a keystroke reads at once: beyond it, blocks are brought up to date after it.
constexpr qsizetype keystrokeReading = 16 * 1024;
// How long a slice of bringing them up to date may take before the window gets to draw, in ms.
constexpr qint64 sliceTime = 6;

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

// The first block of the stretch read together with `block`, as the states now stand.
QTextBlock segmentStart(QTextBlock block)
{
    while (block.previous().isValid() && !isSettled(block.previous().userState()))
        block = block.previous();
    return block;
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
        if (m_formatting)
            return;
        ++m_changes;
        if (!m_check.active) {
            m_check.from = std::numeric_limits<int>::max();
            m_check.to = -1;
        }
    });
    setDocument(document);
    connect(document, &QTextDocument::contentsChange, this, [this](int position, int, int added) {
        if (!m_formatting)
            showChanges(position, added);
    });
    m_blockCount = document->blockCount();
    m_viewport = box->viewport();
    m_viewport->installEventFilter(this);
    m_checkTimer = new QTimer(this);
    m_checkTimer->setSingleShot(true);
    m_checkTimer->setInterval(0);
    connect(m_checkTimer, &QTimer::timeout, this, [this] {
        if (!checkBlocks(0, true))
            checkLater();
    });
    // Highlight now rather than once the event loop runs: until then the highlighter would leave
    // changes to the box unformatted.
    m_formatting = true;
    m_readLimit = 0;
    rehighlight();
    m_readLimit = keystrokeReading;
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
    m_readLimit = 0;
    rehighlight();
    m_readLimit = keystrokeReading;
    m_formatting = false;
    m_check.active = false;
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

OutputHighlighter::Segment *OutputHighlighter::segmentFor(const QTextBlock &block, int number, qsizetype limit)
{
    const int cachedEnd = m_segment.first + m_segment.count;
    const bool current = m_segment.changes == m_changes;
    if (current && number >= m_segment.first && number < cachedEnd)
        return &m_segment;
    // A pass over the blocks in order reads further ahead each time.
    m_readAhead = current && number == cachedEnd ? std::min(m_readAhead * 2, 1024) : 1;

    const QTextBlock first = segmentStart(block);
    const BoxStart start = startAfter(first.previous());
    const int wanted = number - first.blockNumber() + 1;

    QString text;
    if (limit == 0)
        text.reserve(document()->characterCount() - first.position());
    QTextBlock next = first;
    int count = 0;
    // A reading that does not settle is read again longer: with no limit, to the box's end at once.
    for (int chunk = std::max(wanted, m_readAhead);; chunk = limit > 0 ? chunk * 2 : std::numeric_limits<int>::max()) {
        // No more than the limit, unless the lines up to the block alone are more: then nothing.
        for (; next.isValid() && count < chunk && !(limit > 0 && count >= wanted && text.size() > limit);
             next = next.next(), ++count) {
            if (count > 0)
                text += u'\n';
            text += next.text();
            if (limit > 0 && count < wanted && text.size() > limit)
                return nullptr;
        }
        auto reader = std::make_shared<const BoxReader>(text, start, gameVersions(), m_bytes);
        // The reading holds up to its last line after which every console starts afresh.
        int last = next.isValid() ? -1 : count - 1;
        for (int i = count - 1; last < 0 && i >= 0; --i) {
            if (reader->settled(i))
                last = i;
        }
        if (last < wanted - 1) {
            if (limit > 0 && text.size() > limit)
                return nullptr;
            continue;
        }
        m_segment.changes = m_changes;
        m_segment.first = first.blockNumber();
        m_segment.count = last + 1;
        m_segment.reader = std::move(reader);
        m_segment.lines = QList<std::optional<BoxLine>>(last + 1);
        m_segment.states.resize(last + 1);
        for (int i = 0; i <= last; ++i)
            m_segment.states[i] = m_segment.reader->settled(i) ? settledState(m_segment.reader->next(i)) : unsettledState;
        return &m_segment;
    }
}

const BoxLine &OutputHighlighter::lineOf(Segment &segment, int number)
{
    std::optional<BoxLine> &line = segment.lines[number - segment.first];
    if (!line)
        line = segment.reader->line(number - segment.first);
    return *line;
}

void OutputHighlighter::highlightBlock(const QString &text)
{
    const QTextBlock block = currentBlock();
    const int number = block.blockNumber();
    // Once a reading was left for later, the rest of this pass is too; a slice of the check
    // re-highlights the block it looks at, and others only while it has time.
    const bool later = m_checking >= 0 ? number != m_checking && m_sliceTime > 0 && m_slice.elapsed() >= m_sliceTime
                                       : m_readLimit > 0 && m_deferredAt == m_changes;
    Segment *segment = later ? nullptr : segmentFor(block, number, m_readLimit);
    if (!segment) {
        // It shows what it showed until the check comes to it.
        if (number < m_check.from)
            m_check.from = std::min(m_check.from, segmentStart(block).blockNumber());
        m_check.to = std::max(m_check.to, number);
        m_check.active = true;
        // A block left by a slice is one the check comes to; one left by the highlighter's own
        // pass after a change starts the check afresh.
        if (m_checking < 0) {
            m_check.changes = 0;
            m_deferredAt = m_changes;
        }
        const BoxLine shownBefore = shown(block);
        applyFormats(shownBefore, int(text.size()));
        setCurrentBlockState(currentBlockState());
        checkLater();
        return;
    }
    const BoxLine &line = lineOf(*segment, number);
    // A block re-highlighted because of a change is one the check must get past: its showing
    // is no longer what it was before the change.
    m_check.to = std::max(m_check.to, number);

    // Most lines of a long file show nothing: they need no data of their own.
    if (line.roles.isEmpty() && line.codes.isEmpty() && line.marks.isEmpty()) {
        if (currentBlockUserData())
            setCurrentBlockUserData(nullptr);
    } else {
        applyFormats(line, int(text.size()));
        setCurrentBlockUserData(new BlockReading(line));
    }
    setCurrentBlockState(segment->states.at(number - segment->first));
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

// After a change: the blocks read together with the changed ones may show another reading now,
// before and after them; the highlighter's own pass stops at the first block whose state stays.
void OutputHighlighter::showChanges(int position, int added)
{
    const QTextBlock changed = document()->findBlock(position);
    const QTextBlock end = document()->findBlock(position + added);
    const int from = segmentStart(changed).blockNumber();
    const int to = end.isValid() ? end.blockNumber() : document()->blockCount() - 1;
    // Blocks still to be looked at move with lines put in before them.
    const int moved = std::exchange(m_blockCount, document()->blockCount()) - m_blockCount;
    if (m_check.active && changed.blockNumber() <= m_check.to && moved < 0)
        m_check.to -= moved;
    m_check.from = std::min(m_check.from, from);
    m_check.to = std::max(m_check.to, to);
    m_check.active = true;
    m_check.changes = 0;
    // Within a keystroke where its reading is short; the rest once it is handled.
    if (m_deferredAt == m_changes || !checkBlocks(keystrokeReading, false))
        checkLater();
}

void OutputHighlighter::checkLater()
{
    if (m_check.active && !m_checkTimer->isActive())
        m_checkTimer->start();
}

bool OutputHighlighter::checkBlock(const QTextBlock &block, qsizetype limit, bool *unread)
{
    const int number = block.blockNumber();
    Segment *segment = segmentFor(block, number, limit);
    if (!segment) {
        *unread = true;
        return false;
    }
    const BoxLine &line = lineOf(*segment, number);
    const int state = segment->states.at(number - segment->first);
    const bool sameLine = line == shown(block);
    if (sameLine && state == block.userState())
        return true;
    // A block that shows the same needs its new state only.
    if (sameLine) {
        QTextBlock(block).setUserState(state);
    } else {
        m_checking = number;
        rehighlightBlock(block);
        m_checking = -1;
    }
    return false;
}

bool OutputHighlighter::checkBlocks(qsizetype limit, bool timed)
{
    if (!m_check.active)
        return true;
    m_slice.start();
    m_sliceTime = timed ? sliceTime : 0;
    m_formatting = true;
    const qsizetype readLimit = std::exchange(m_readLimit, limit);
    if (m_check.changes != m_changes) {
        m_check.changes = m_changes;
        m_check.next = m_check.from;
        m_check.visible = false;
    }
    bool unread = false;
    const auto timeIsUp = [this] { return m_sliceTime > 0 && m_slice.elapsed() >= m_sliceTime; };
    QTextBlock block = document()->findBlockByNumber(m_check.next);
    while (!unread && block.isValid()) {
        const int number = block.blockNumber();
        const int held = m_segment.changes == m_changes && number >= m_segment.first ? m_segment.first + m_segment.count : -1;
        if (!m_check.visible && timed && number < held) {
            // The blocks in view that the reading held has, before the rest of it. Others wait for
            // their turn: a block's reading starts from the states of the blocks before it.
            const int top = m_box->cursorForPosition(QPoint(0, 0)).block().blockNumber();
            const int bottom = m_box->cursorForPosition(QPoint(0, m_box->viewport()->height())).block().blockNumber();
            QTextBlock inView = document()->findBlockByNumber(std::max(top, number + 1));
            for (; inView.isValid() && inView.blockNumber() <= std::min(bottom, held - 1) && !timeIsUp(); inView = inView.next())
                checkBlock(inView, limit, &unread);
            m_check.visible = !inView.isValid() || inView.blockNumber() > std::min(bottom, held - 1);
            if (timeIsUp())
                break;
        }
        const bool same = checkBlock(block, limit, &unread);
        if (unread)
            break;
        const bool settled = isSettled(block.userState());
        block = block.next();
        // From a settled block that reads as before on, everything does.
        if ((same && settled && number >= m_check.to) || !block.isValid()) {
            m_check.active = false;
            break;
        }
        if (timeIsUp())
            break;
    }
    if (m_check.active)
        m_check.next = block.blockNumber();
    m_readLimit = readLimit;
    m_formatting = false;
    return !m_check.active;
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
