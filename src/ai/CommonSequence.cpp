#include "ai/CommonSequence.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

namespace quillet {

qint64 lcsTableBytes(qsizetype n, qsizetype m)
{
    constexpr qint64 cell = sizeof(std::int32_t);
    const qint64 rows = qint64(n) + 1;
    const qint64 columns = qint64(m) + 1;
    if (rows > std::numeric_limits<qint64>::max() / cell / columns)
        return std::numeric_limits<qint64>::max();
    return rows * columns * cell;
}

namespace {

void notePeak(LcsStats *stats, qint64 bytes)
{
    if (stats)
        stats->peakBytes = std::max(stats->peakBytes, bytes);
}

// The full table over a[0..n) and b[0..m), walked back with the tie going to
// b; appends positions (offset by `aOffset`) to `out` in ascending order.
void tableLcs(const int *a, qsizetype n, const int *b, qsizetype m, qsizetype aOffset,
    std::vector<qsizetype> &out, LcsStats *stats, const LcsLimits &limits)
{
    if (n == 0 || m == 0)
        return;
    const qsizetype width = m + 1;
    std::vector<std::int32_t> table(std::size_t((n + 1) * width), 0);
    notePeak(stats, qint64(table.size() * sizeof(std::int32_t)));
    for (qsizetype i = 1; i <= n; ++i) {
        if (limits.cancelled())
            return;
        const int symbol = a[i - 1];
        std::int32_t *row = table.data() + i * width;
        const std::int32_t *above = row - width;
        for (qsizetype j = 1; j <= m; ++j)
            row[j] = symbol == b[j - 1] ? above[j - 1] + 1 : std::max(above[j], row[j - 1]);
    }

    const std::size_t first = out.size();
    qsizetype i = n;
    qsizetype j = m;
    while (i > 0 && j > 0) {
        if (a[i - 1] == b[j - 1]) {
            out.push_back(aOffset + i - 1);
            --i;
            --j;
        } else if (table[i * width + j - 1] >= table[(i - 1) * width + j]) {
            --j;
        } else {
            --i;
        }
    }
    std::reverse(out.begin() + qsizetype(first), out.end());
}

// The linear-space search over one pair of ranges, appending positions of a
// in ascending order.
class LinearSearch {
public:
    LinearSearch(
        const int *a, const int *b, const LcsLimits &limits, LcsStats *stats, std::vector<qsizetype> &out)
        : m_a(a)
        , m_b(b)
        , m_limits(limits)
        , m_stats(stats)
        , m_out(out)
    {
    }

    void solve(qsizetype aLo, qsizetype aHi, qsizetype bLo, qsizetype bHi)
    {
        if (m_limits.cancelled())
            return;
        while (aLo < aHi && bLo < bHi && m_a[aLo] == m_b[bLo]) {
            m_out.push_back(aLo++);
            ++bLo;
        }
        qsizetype suffix = 0;
        while (aLo < aHi - suffix && bLo < bHi - suffix && m_a[aHi - 1 - suffix] == m_b[bHi - 1 - suffix])
            ++suffix;
        aHi -= suffix;
        bHi -= suffix;
        solveMiddle(aLo, aHi, bLo, bHi);
        for (qsizetype s = 0; s < suffix; ++s)
            m_out.push_back(aHi + s);
    }

private:
    // The ranges differ in their first and in their last symbol.
    void solveMiddle(qsizetype aLo, qsizetype aHi, qsizetype bLo, qsizetype bHi)
    {
        const qsizetype n = aHi - aLo;
        const qsizetype m = bHi - bLo;
        if (n == 0 || m == 0)
            return;
        if (n == 1) {
            if (std::find(m_b + bLo, m_b + bHi, m_a[aLo]) != m_b + bHi)
                m_out.push_back(aLo);
            return;
        }
        if (m == 1) {
            if (const int *hit = std::find(m_a + aLo, m_a + aHi, m_b[bLo]); hit != m_a + aHi)
                m_out.push_back(hit - m_a);
            return;
        }
        if ((qint64(n) + 1) * (qint64(m) + 1) <= m_limits.leafCells) {
            tableLcs(m_a + aLo, n, m_b + bLo, m, aLo, m_out, m_stats, m_limits);
            return;
        }
        // A split at a corner would not shrink the problem; it cannot happen
        // for ranges that differ at both ends, but the row split is the safe
        // answer if it ever did.
        if (const auto split = greedySplit(aLo, n, bLo, m);
            split && (split->first + split->second) > 0 && (split->first < n || split->second < m)) {
            solve(aLo, aLo + split->first, bLo, bLo + split->second);
            solve(aLo + split->first, aHi, bLo + split->second, bHi);
            return;
        }
        const qsizetype aMid = aLo + n / 2;
        const qsizetype bMid = rowSplit(aLo, aMid, aHi, bLo, bHi);
        solve(aLo, aMid, bLo, bMid);
        solve(aMid, aHi, bMid, bHi);
    }

    // A point on a shortest edit path, found by searching from both ends at
    // once (the "middle snake"); nothing once the work outgrows its share.
    std::optional<std::pair<qsizetype, qsizetype>> greedySplit(
        qsizetype aLo, qsizetype n, qsizetype bLo, qsizetype m)
    {
        const int *a = m_a + aLo;
        const int *b = m_b + bLo;
        const double budget = m_limits.greedyShare * double(n) * double(m);
        const qsizetype maxD = (n + m + 1) / 2;
        const qsizetype offset = maxD;
        const qsizetype length = 2 * maxD + 2;
        std::vector<qsizetype> forward(std::size_t(length), -1);
        std::vector<qsizetype> backward(std::size_t(length), -1);
        notePeak(m_stats, qint64(2 * length * sizeof(qsizetype)));
        forward[std::size_t(offset + 1)] = 0;
        backward[std::size_t(offset + 1)] = 0;
        const qsizetype delta = n - m;
        const bool front = delta % 2 != 0;
        qsizetype k1start = 0, k1end = 0, k2start = 0, k2end = 0;
        double work = 0;

        for (qsizetype d = 0; d < maxD; ++d) {
            for (qsizetype k1 = -d + k1start; k1 <= d - k1end; k1 += 2) {
                const qsizetype k1Offset = offset + k1;
                qsizetype x1 = (k1 == -d || (k1 != d && forward[k1Offset - 1] < forward[k1Offset + 1]))
                    ? forward[k1Offset + 1]
                    : forward[k1Offset - 1] + 1;
                qsizetype y1 = x1 - k1;
                const qsizetype start = x1;
                while (x1 < n && y1 < m && a[x1] == b[y1]) {
                    ++x1;
                    ++y1;
                }
                work += 1 + double(x1 - start);
                forward[k1Offset] = x1;
                if (x1 > n) {
                    k1end += 2;
                } else if (y1 > m) {
                    k1start += 2;
                } else if (front) {
                    const qsizetype k2Offset = offset + delta - k1;
                    if (k2Offset >= 0 && k2Offset < length && backward[k2Offset] != -1
                        && x1 >= n - backward[k2Offset])
                        return std::pair { x1, y1 };
                }
            }
            for (qsizetype k2 = -d + k2start; k2 <= d - k2end; k2 += 2) {
                const qsizetype k2Offset = offset + k2;
                qsizetype x2 = (k2 == -d || (k2 != d && backward[k2Offset - 1] < backward[k2Offset + 1]))
                    ? backward[k2Offset + 1]
                    : backward[k2Offset - 1] + 1;
                qsizetype y2 = x2 - k2;
                const qsizetype start = x2;
                while (x2 < n && y2 < m && a[n - 1 - x2] == b[m - 1 - y2]) {
                    ++x2;
                    ++y2;
                }
                work += 1 + double(x2 - start);
                backward[k2Offset] = x2;
                if (x2 > n) {
                    k2end += 2;
                } else if (y2 > m) {
                    k2start += 2;
                } else if (!front) {
                    const qsizetype k1Offset = offset + delta - k2;
                    if (k1Offset >= 0 && k1Offset < length && forward[k1Offset] != -1) {
                        const qsizetype x1 = forward[k1Offset];
                        const qsizetype y1 = offset + x1 - k1Offset;
                        if (x1 >= n - x2)
                            return std::pair { x1, y1 };
                    }
                }
            }
            if (work > budget || m_limits.cancelled())
                return std::nullopt;
        }
        return std::nullopt;
    }

    // Hirschberg's split: the position in b where a longest common
    // subsequence crosses from a[aLo..aMid) to a[aMid..aHi).
    qsizetype rowSplit(qsizetype aLo, qsizetype aMid, qsizetype aHi, qsizetype bLo, qsizetype bHi)
    {
        const qsizetype m = bHi - bLo;
        const int *b = m_b + bLo;
        std::vector<std::int32_t> forward(std::size_t(m + 1), 0);
        std::vector<std::int32_t> backward(std::size_t(m + 1), 0);
        std::vector<std::int32_t> previous(std::size_t(m + 1), 0);
        notePeak(m_stats, qint64(3 * (m + 1) * sizeof(std::int32_t)));

        // forward[j] = LCS(a[aLo..aMid), b[0..j))
        for (qsizetype i = aLo; i < aMid && !m_limits.cancelled(); ++i) {
            std::swap(forward, previous);
            const int symbol = m_a[i];
            forward[0] = 0;
            for (qsizetype j = 1; j <= m; ++j)
                forward[j] = symbol == b[j - 1] ? previous[j - 1] + 1 : std::max(previous[j], forward[j - 1]);
        }
        // backward[j] = LCS(a[aMid..aHi), b[j..m))
        std::fill(previous.begin(), previous.end(), 0);
        for (qsizetype i = aHi - 1; i >= aMid && !m_limits.cancelled(); --i) {
            std::swap(backward, previous);
            const int symbol = m_a[i];
            backward[m] = 0;
            for (qsizetype j = m - 1; j >= 0; --j)
                backward[j] = symbol == b[j] ? previous[j + 1] + 1 : std::max(previous[j], backward[j + 1]);
        }
        qsizetype best = 0;
        std::int32_t bestLength = -1;
        for (qsizetype j = 0; j <= m; ++j) {
            if (forward[j] + backward[j] > bestLength) {
                bestLength = forward[j] + backward[j];
                best = j;
            }
        }
        return bLo + best;
    }

    const int *m_a;
    const int *m_b;
    const LcsLimits &m_limits;
    LcsStats *m_stats;
    std::vector<qsizetype> &m_out;
};

} // namespace

std::vector<qsizetype> commonSubsequence(
    std::span<const int> a, std::span<const int> b, const LcsLimits &limits, LcsStats *stats)
{
    std::vector<qsizetype> out;
    const qsizetype n = qsizetype(a.size());
    const qsizetype m = qsizetype(b.size());
    if (n == 0 || m == 0)
        return out;
    if (lcsTableBytes(n, m) <= limits.maxTableBytes) {
        tableLcs(a.data(), n, b.data(), m, 0, out, stats, limits);
        return out;
    }

    if (stats)
        stats->linearSpace = true;
    qsizetype prefix = 0;
    while (prefix < n && prefix < m && a[prefix] == b[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < n - prefix && suffix < m - prefix && a[n - 1 - suffix] == b[m - 1 - suffix])
        ++suffix;
    for (qsizetype i = 0; i < prefix; ++i)
        out.push_back(i);
    const qsizetype middleN = n - prefix - suffix;
    const qsizetype middleM = m - prefix - suffix;
    if (lcsTableBytes(middleN, middleM) <= limits.maxTableBytes) {
        tableLcs(a.data() + prefix, middleN, b.data() + prefix, middleM, prefix, out, stats, limits);
    } else {
        LinearSearch search(a.data(), b.data(), limits, stats, out);
        search.solve(prefix, n - suffix, prefix, m - suffix);
    }
    for (qsizetype i = n - suffix; i < n; ++i)
        out.push_back(i);
    return out;
}

} // namespace quillet
