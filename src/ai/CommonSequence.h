#pragma once

#include <QtGlobal>

#include <atomic>
#include <span>
#include <vector>

namespace quillet {

// Bounds for finding a longest common subsequence of two symbol sequences.
struct LcsLimits {
    // The full table (4 bytes a cell) is used only up to this size; its
    // result follows the table's tie rule exactly.
    qint64 maxTableBytes = 64LL * 1024 * 1024;
    // Beyond it, subproblems of at most this many cells still use a table.
    qint64 leafCells = 1 << 16;
    // Work allowed to the greedy edit-path search on one subproblem, as a
    // share of its cell count, before it is split row by row instead. The
    // greedy search is fast for similar inputs, the row split bounded for any.
    double greedyShare = 0.25;
    // When set and raised (from another thread), the search gives up soon:
    // its result is then meaningless and the caller drops it.
    const std::atomic_bool *cancel = nullptr;

    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }
};

// What a search used, for tests and measurements.
struct LcsStats {
    // The largest working memory held at once (tables, rows, paths).
    qint64 peakBytes = 0;
    // The inputs were too large for the full table.
    bool linearSpace = false;
};

// Positions in `a`, ascending, of a longest common subsequence of `a` and `b`.
//
// Up to limits.maxTableBytes this is the classic table: filled row by row,
// walked back from the end, a tie stepping back in `b`. Larger inputs first
// lose their common prefix and suffix; if the rest still does not fit, a
// linear-space search is used (a greedy middle-snake search while it stays
// cheap, else Hirschberg's row split). Both find a longest subsequence, but
// among equally long ones not necessarily the table's.
std::vector<qsizetype> commonSubsequence(
    std::span<const int> a, std::span<const int> b, const LcsLimits &limits = {}, LcsStats *stats = nullptr);

// The memory the full table for sequences of these lengths would take.
qint64 lcsTableBytes(qsizetype n, qsizetype m);

} // namespace quillet
