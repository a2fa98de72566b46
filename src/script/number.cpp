#include "script/number.h"

#include <charconv>
#include <string>
#include <system_error>

namespace brackwell {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Checks the grammar above on the blank-free text; returns false for anything else.
bool wellFormed(QStringView s)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == u'.') {
        ++i;
        while (i < n && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-'))
            ++i;
        const qsizetype expStart = i;
        while (i < n && isDigit(s[i]))
            ++i;
        if (i == expStart)
            return false;
    }
    return i == n;
}

} // namespace

std::optional<double> parseNumber(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    QStringView s = text.sliced(begin, end - begin);
    if (!wellFormed(s))
        return std::nullopt;
    if (s.front() == u'+')
        s = s.sliced(1);

    // Only ASCII is left, so a narrowing copy is exact; short values avoid the heap.
    char small[64];
    std::string large;
    char *chars = small;
    if (s.size() > qsizetype(sizeof small)) {
        large.resize(std::size_t(s.size()));
        chars = large.data();
    }
    for (qsizetype i = 0; i < s.size(); ++i)
        chars[i] = char(s[i].unicode());

    double value = 0;
    const auto [ptr, ec] = std::from_chars(chars, chars + s.size(), value);
    if (ec != std::errc() || ptr != chars + s.size())
        return std::nullopt;
    return value;
}

} // namespace brackwell
