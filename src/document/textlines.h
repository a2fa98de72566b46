#pragma once

#include <QString>
#include <algorithm>

namespace brackwell {

// The text a multi-line box holds, from its document's raw text: paragraph and line separators
// become line breaks and every other character stays as it is (a no-break space included, which a
// plain-text export turns into a blank).
QString boxText(const QString &rawDocumentText);

// The text with every line break as the box has it, one LF: CR LF, a lone CR (pasted text), U+2028
// and U+2029 each become one.
QString withLineFeeds(const QString &text);

// How many leading and trailing items two sequences of `left` and `right` items share, where
// `same(i, j)` compares item i of the left with item j of the right; the trailing ones never
// overlap the leading ones.
struct CommonEnds {
    qsizetype head = 0, tail = 0;
};
template <typename Same>
CommonEnds commonEnds(qsizetype left, qsizetype right, Same same)
{
    const qsizetype most = std::min(left, right);
    CommonEnds ends;
    while (ends.head < most && same(ends.head, ends.head))
        ++ends.head;
    while (ends.tail < most - ends.head && same(left - 1 - ends.tail, right - 1 - ends.tail))
        ++ends.tail;
    return ends;
}

// The text the one-click save writes for a script of the window's own: the box's text and one more
// line break, so a generated script, whose last line is ended, ends in an empty line.
QString oneClickText(const QString &boxText);

} // namespace brackwell
