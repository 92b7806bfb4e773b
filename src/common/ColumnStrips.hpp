#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

// A row-by-row fill split into strips of columns, one thread a strip: a
// strip computes row i once the strip on its left has handed on the values
// of that row's last column. Every cell gets the value a single pass gives,
// so results never depend on the number of strips.

// When a fill may be split. Handing rows on costs a little per row and
// starting a thread far more than a row, so narrow or small fills stay on
// one thread. Tests lower the two thresholds to split small inputs.
struct StripPolicy {
    int threads = 1;
    int minWidth = 1024;              // columns a strip gets at least
    long long minCells = 1LL << 22;  // smaller fills are not split
};

// The strip borders of a fill of `rows` rows over columns 0..columns:
// strip s covers columns edges[s]..edges[s+1] (its first column belongs to
// the strip on its left, except for the first strip). {0, columns} when the
// fill stays whole.
std::vector<int> columnStripEdges(int columns, long long rows, const StripPolicy& policy);

// The values of one column, `valuesPerRow` ints a row, handed row by row
// from a strip to the strip on its right.
class StripHandOff {
public:
    StripHandOff(std::size_t rows, std::size_t valuesPerRow)
        : values_(rows * valuesPerRow), perRow_(valuesPerRow) {}

    // Row k's values; rows are published in order 0, 1, ...
    void publish(int k, const int* values);
    // Waits until row k is published and returns its values.
    const int* await(int k);
    // Lets the strip on the right run to its end after this one failed;
    // what it then reads is meaningless, and its results are dropped.
    void abandon();

private:
    std::vector<int> values_;
    std::size_t perRow_;
    std::atomic<int> rowsDone_{0};
};

// Runs work(s, in, out) for strips s = 0..count-1, strip 0 on this thread
// and one started thread per further strip; `in` links a strip to the one on
// its left, `out` to the one on its right (null at the ends). A strip whose
// thread cannot be started runs here once the strips on its left are done:
// its input then holds every row. Rethrows the first strip's failure.
using StripWork = std::function<void(int strip, StripHandOff* in, StripHandOff* out)>;
void runColumnStrips(int count, std::size_t rows, std::size_t valuesPerRow, const StripWork& work);
