#include "settings/configedit.h"

#include "keys/keynames.h"
#include "settings/catalogue.h"
#include "settings/generator.h"

#include <QMap>
#include <QSet>

#include <algorithm>

namespace brackwell {

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// Whether the console reads `value` outside quotes as one word that is exactly `value`.
bool fitsUnquoted(QStringView value)
{
    if (value.isEmpty() || value.contains(QLatin1StringView("//")) || value.contains(QLatin1StringView("/*")))
        return false;
    return std::none_of(value.cbegin(), value.cend(), [](QChar c) {
        return c.unicode() <= u' ' || c.unicode() >= 0x7F || c == u'"' || c == u';';
    });
}

// A word written where `place` had its word: inside the quotes it had, bare where it stood bare and
// still can, else quoted.
QString wordFor(const CommandPlace &place, const QString &value)
{
    return place.quoted || fitsUnquoted(value) ? value : u'"' + value + u'"';
}

struct LineEdit {
    LinePlace line;
    QSet<int> removedPieces;
    QList<std::pair<TextSpan, QString>> words; // replacements inside the line
};

class Editor
{
public:
    Editor(QStringView text, const ConfigRead &read) : m_text(text), m_read(read) {}

    QString edit(const GenerationInput &now);

private:
    QStringView slice(TextSpan span) const { return m_text.sliced(span.start, span.length); }
    LineEdit &lineEdit(const LinePlace &line);
    void replaceWord(const CommandPlace &place, const QString &word) { lineEdit(place.line).words.append({place.word, word}); }
    void removeCommand(const CommandPlace &place) { lineEdit(place.line).removedPieces.insert(place.piece); }
    void removeLines(TextSpan span, const std::optional<TextSpan> &blankBefore);
    void insert(qsizetype at, int order, const QString &text) { m_insertions[at].insert(order, text); }
    void finishLine(const LineEdit &edit);
    // Whether the file binds `key` again after the bind at `place`: a key changed there would not
    // reach the game, so the bind moves to the end.
    bool boundLater(const CommandPlace &place, const QString &key) const
    {
        return m_read.places.lastOnKey.value(keyIdentity(key), -1) > place.word.start;
    }
    QString put(const QString &line) const { return line + m_read.places.lineBreak; }

    void editSettings(const GenerationInput &now);
    bool bindGoesToEnd(const CommandPlace *place, const KeyedTick &was, const KeyedTick &is);
    void editScripts(const GenerationInput &now);
    void editClasses(const GenerationInput &now);
    void editUnbindAll(const GenerationInput &now);
    QString assemble() const;

    QStringView m_text;
    const ConfigRead &m_read;
    QMap<qsizetype, LineEdit> m_lines; // by the line's start
    QList<std::pair<TextSpan, QString>> m_replaced;
    // Text put in at an offset, in the order of its keys there.
    QMap<qsizetype, QMap<int, QString>> m_insertions;
};

// The places text goes in at the end, in the order a generation pass writes.
enum EndOrder { UnbindAllAtEnd, SettingsAtEnd, ScriptsAtEnd, ClassesAtEnd = ScriptsAtEnd + ScriptCount };

LineEdit &Editor::lineEdit(const LinePlace &line)
{
    auto it = m_lines.find(line.whole.start);
    if (it == m_lines.end())
        it = m_lines.insert(line.whole.start, LineEdit{line, {}, {}});
    return *it;
}

void Editor::removeLines(TextSpan span, const std::optional<TextSpan> &blankBefore)
{
    if (blankBefore)
        span = {blankBefore->start, span.end() - blankBefore->start};
    // Taking out the last lines of a file without a final line break takes the break before them.
    if (span.end() == m_text.size() && span.start > 0 && !isLineBreak(m_text.back())) {
        const qsizetype back = span.start >= 2 && m_text.sliced(span.start - 2, 2) == u"\r\n" ? 2 : 1;
        span = {span.start - back, span.length + back};
    }
    m_replaced.append({span, QString()});
}

void Editor::finishLine(const LineEdit &edit)
{
    QStringList kept;
    bool anything = false;
    for (int p = 0; p < edit.line.pieces.size(); ++p) {
        if (edit.removedPieces.contains(p))
            continue;
        const TextSpan piece = edit.line.pieces[p];
        QString text;
        qsizetype at = piece.start;
        QList<std::pair<TextSpan, QString>> words = edit.words;
        std::sort(words.begin(), words.end(), [](const auto &a, const auto &b) { return a.first.start < b.first.start; });
        for (const auto &[span, word] : words) {
            if (span.start < piece.start || span.end() > piece.end())
                continue;
            text += slice({at, span.start - at});
            text += word;
            at = span.end();
        }
        text += slice({at, piece.end() - at});
        anything = anything || !text.trimmed().isEmpty();
        if (kept.isEmpty() && p > 0) {
            // The line keeps its own indentation when its first command goes.
            const auto firstNonBlank = [](QStringView t) {
                return std::find_if(t.cbegin(), t.cend(), [](QChar c) { return !c.isSpace(); }) - t.cbegin();
            };
            const QStringView first = slice(edit.line.pieces.front());
            text = first.first(firstNonBlank(first)).toString() + QStringView(text).sliced(firstNonBlank(text)).toString();
        }
        kept << text;
    }
    if (anything)
        m_replaced.append({edit.line.text, kept.join(u';')});
    else
        removeLines(edit.line.whole, edit.line.blankBefore);
}

void Editor::editSettings(const GenerationInput &now)
{
    QString added;
    for (int i = 0; i < SettingCount; ++i) {
        const SettingRow &row = settingRows[i];
        const SettingValue &was = m_read.input.settings[std::size_t(i)];
        const SettingValue &is = now.settings[std::size_t(i)];
        const std::optional<QString> value = is.enabled ? writtenValue(row, is) : std::nullopt;
        const std::optional<CommandPlace> &place = m_read.places.settings[std::size_t(i)];
        if (!place) {
            if (value)
                added += put(settingLine(row, *value));
        } else if (value) {
            if (!was.enabled || writtenValue(row, was) != value)
                replaceWord(*place, wordFor(*place, *value));
        } else if (was.enabled) {
            // Switched off: the game is left to whatever else sets the variable.
            removeCommand(*place);
        }
    }
    if (!added.isEmpty())
        insert(m_read.places.afterLastHeld.value_or(m_text.size()), SettingsAtEnd, added);
}

// A script or class bind: true when the file's own bind goes and the window's goes in at the end.
// A held one stays where it is while its key stays, or takes the new key there unless the file binds
// that key again later; one the window did not hold goes in when it is ticked now.
bool Editor::bindGoesToEnd(const CommandPlace *place, const KeyedTick &was, const KeyedTick &is)
{
    if (!place)
        return is.ticked;
    if (is.ticked && is.key == was.key)
        return false;
    if (is.ticked && !boundLater(*place, is.key)) {
        replaceWord(*place, wordFor(*place, is.key));
        return false;
    }
    return is.ticked;
}

void Editor::editScripts(const GenerationInput &now)
{
    for (int b = 0; b < ScriptCount; ++b) {
        const KeyedTick &is = now.scripts[std::size_t(b)];
        const std::optional<BlockPlace> &place = m_read.places.scripts[std::size_t(b)];
        const bool toEnd = bindGoesToEnd(place ? &place->bind : nullptr, m_read.input.scripts[std::size_t(b)], is);
        if (place && (!is.ticked || toEnd))
            removeLines(place->lines, place->blankBefore);
        if (toEnd) {
            const ScriptBlock &block = scriptBlocks[b];
            QString text = m_read.places.lineBreak;
            for (int l = 0; l < block.lineCount; ++l)
                text += put(QLatin1StringView(block.lines[l]));
            insert(m_text.size(), ScriptsAtEnd + b, text + put(bindLine(is.key, block.quotedCommand)));
        }
    }
}

void Editor::editClasses(const GenerationInput &now)
{
    for (int k = 0; k < ClassBindCount; ++k) {
        const KeyedTick &is = now.classes[std::size_t(k)];
        const std::optional<CommandPlace> &place = m_read.places.classes[std::size_t(k)];
        const bool toEnd = bindGoesToEnd(place ? &*place : nullptr, m_read.input.classes[std::size_t(k)], is);
        if (place && (!is.ticked || toEnd))
            removeCommand(*place);
        if (toEnd)
            insert(m_text.size(), ClassesAtEnd + k,
                   m_read.places.lineBreak + put(bindLine(is.key, classBinds[k].quotedCommand)));
    }
}

void Editor::editUnbindAll(const GenerationInput &now)
{
    if (m_read.input.unbindAll && !now.unbindAll) {
        for (const CommandPlace &place : m_read.places.unbindAlls)
            removeCommand(place);
    } else if (!m_read.input.unbindAll && now.unbindAll) {
        const QString line = put(QLatin1StringView(unbindAllLine));
        // Before the first bind, never after one: it would clear that bind in the game.
        if (m_read.places.firstBindLine)
            insert(*m_read.places.firstBindLine, 0, line);
        else
            insert(m_text.size(), UnbindAllAtEnd, m_read.places.lineBreak + line);
    }
}

QString Editor::assemble() const
{
    struct Change {
        TextSpan span;
        QString text;
    };
    QList<Change> changes;
    for (const auto &[span, text] : m_replaced)
        changes.append({span, text});
    for (auto it = m_insertions.cbegin(); it != m_insertions.cend(); ++it) {
        qsizetype at = it.key();
        // Text that goes in where lines come out goes in where they began.
        for (const auto &[span, text] : m_replaced) {
            if (span.start < at && at < span.end())
                at = span.start;
        }
        QString text;
        if (at == m_text.size() && !m_text.isEmpty() && !isLineBreak(m_text.back()))
            text = m_read.places.lineBreak;
        for (const QString &part : it.value())
            text += part;
        changes.append({{at, 0}, text});
    }
    // Insertions go before a replacement that starts at the same place.
    std::stable_sort(changes.begin(), changes.end(), [](const Change &a, const Change &b) {
        return a.span.start != b.span.start ? a.span.start < b.span.start : a.span.length < b.span.length;
    });
    QString out;
    out.reserve(m_text.size() + 256);
    qsizetype at = 0;
    for (const Change &change : changes) {
        Q_ASSERT(change.span.start >= at);
        if (change.span.start < at)
            continue; // never overlapping: each line is changed by one change at most
        out += m_text.sliced(at, change.span.start - at);
        out += change.text;
        at = change.span.end();
    }
    out += m_text.sliced(at);
    return out;
}

QString Editor::edit(const GenerationInput &now)
{
    editUnbindAll(now);
    editSettings(now);
    editScripts(now);
    editClasses(now);
    for (const LineEdit &line : std::as_const(m_lines))
        finishLine(line);
    return assemble();
}

} // namespace

QString editConfig(QStringView text, const ConfigRead &read, const GenerationInput &now)
{
    return Editor(text, read).edit(now);
}

} // namespace brackwell
