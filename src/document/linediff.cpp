#include "document/linediff.h"

#include "document/textlines.h"

#include <vector>

namespace brackwell {

QList<bool> changedLines(const QStringList &before, const QStringList &after, qsizetype maxEdits)
{
    // Plain values, not a structured binding: lambdas below capture them.
    const CommonEnds ends = commonEnds(before.size(), after.size(),
                                       [&](qsizetype i, qsizetype j) { return before[i] == after[j]; });
    const qsizetype head = ends.head, tail = ends.tail;
    QList<bool> changed(after.size(), false);
    const qsizetype n = before.size() - head - tail, m = after.size() - head - tail;
    const auto a = [&](qsizetype i) -> const QString & { return before[head + i]; };
    const auto b = [&](qsizetype j) -> const QString & { return after[head + j]; };

    // Myers' greedy search: furthest[k] is how far along `before` the best path on diagonal k (x - y)
    // has come with d edits; each round's values are kept to trace the path back.
    const qsizetype most = std::min(n + m, maxEdits);
    std::vector<qsizetype> furthest(size_t(2 * most + 3), 0);
    const auto at = [&](qsizetype k) -> qsizetype & { return furthest[size_t(k + most + 1)]; };
    std::vector<std::vector<qsizetype>> rounds;
    for (qsizetype d = 0; d <= most; ++d) {
        rounds.emplace_back(furthest.begin() + (most + 1 - d), furthest.begin() + (most + 2 + d));
        for (qsizetype k = -d; k <= d; k += 2) {
            qsizetype x = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
            qsizetype y = x - k;
            while (x < n && y < m && a(x) == b(y))
                ++x, ++y;
            at(k) = x;
            if (x < n || y < m)
                continue;
            // Back along the path: every step down is a line of `after` that `before` lacks.
            for (qsizetype e = d; e > 0; --e) {
                const std::vector<qsizetype> &round = rounds[size_t(e)];
                const auto was = [&](qsizetype kk) { return round[size_t(kk + e)]; };
                const qsizetype kk = x - y;
                const bool down = kk == -e || (kk != e && was(kk - 1) < was(kk + 1));
                const qsizetype fromK = down ? kk + 1 : kk - 1;
                const qsizetype fromX = was(fromK), fromY = fromX - fromK;
                if (down)
                    changed[head + fromY] = true;
                x = fromX;
                y = fromY;
            }
            return changed;
        }
    }
    for (qsizetype j = 0; j < m; ++j)
        changed[head + j] = true;
    return changed;
}

} // namespace brackwell
