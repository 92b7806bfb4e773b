#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
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
    // A fill that cuts its strips into narrower tiles (runColumnTiles) makes
    // them about this wide.
    int tileColumns = 16384;
};

// The strip borders of a fill of `rows` rows over columns 0..columns:
// strip s covers columns edges[s]..edges[s+1] (its first column belongs to
// the strip on its left, except for the first strip). {0, columns} when the
// fill stays whole.
std::vector<int> columnStripEdges(int columns, long long rows, const StripPolicy& policy);

class StripHandOff;
// What a strip does: strip s computes its rows, reading the column on its
// left from `in` and handing its last column on through `out`.
using StripWork = std::function<void(int strip, StripHandOff* in, StripHandOff* out)>;

// The values of one column, `valuesPerRow` ints a row, handed row by row
// from a strip to the strip on its right.
class StripHandOff {
public:
    StripHandOff(std::size_t rows, std::size_t valuesPerRow);

    // Row k's values; rows are published in order 0, 1, ...
    void publish(int k, const int* values);
    // Waits until row k is published and returns its values. Throws
    // Abandoned once the strip on the left has failed: its rows will never
    // all come, and the storage may be written again by another strip.
    const int* await(int k);
    // Ends the strips on the right after this one failed.
    void abandon();

    struct Abandoned {};

private:
    friend void runColumnTiles(int, int, std::size_t, std::size_t, const StripWork&);

    // The storage of a column. A run of tiles hands a column on between the
    // same storage's uses: a use's row k is published as earlier + k + 1,
    // where `earlier` counts the rows of the earlier uses.
    struct Column {
        Column(std::size_t rows, std::size_t perRow) : values(rows * perRow), valuesPerRow(perRow) {}
        std::vector<int> values;
        std::size_t valuesPerRow;
        std::atomic<long long> published{0};
        std::atomic<bool> abandoned{false};
    };
    StripHandOff(Column& column, long long earlier) : column_(&column), earlier_(earlier) {}

    std::unique_ptr<Column> own_;
    Column* column_;
    long long earlier_ = 0;
};

// Runs work(s, in, out) for strips s = 0..count-1, strip 0 on this thread
// and one started thread per further strip; `in` links a strip to the one on
// its left, `out` to the one on its right (null at the ends). A strip whose
// thread cannot be started runs here once the strips on its left are done:
// its input then holds every row. Rethrows the first strip's failure.
void runColumnStrips(int count, std::size_t rows, std::size_t valuesPerRow, const StripWork& work);

// The same for more strips (tiles) than threads: each of `threads` threads
// takes the next tile left to do, so the tiles advance as a wave, each a
// little behind the one on its left. Narrow tiles keep a fill's rows in the
// cache, where a strip as wide as the fill shared by the threads would not
// fit. The columns between tiles are reused: only `threads` are stored.
void runColumnTiles(int count, int threads, std::size_t rows, std::size_t valuesPerRow,
                    const StripWork& work);
