#include "pair/MaskRuns.hpp"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

char lowered(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// `count` characters go in front of the element at `column` of a row as it
// was before any of this batch went in.
struct Insertion {
    std::size_t column;
    std::size_t count;
};

// Applies a whole batch (columns increasing) in one backward sweep, so a row
// with thousands of runs costs one move of its elements rather than one per
// run. A row too short to have the column gets the characters at its end:
// they can no longer line up with anything, but every row still grows by the
// same amount and nothing is written outside it.
void expandRow(std::vector<char>& row, const std::vector<Insertion>& batch, std::size_t added,
               char fill) {
    const std::size_t oldSize = row.size();
    row.resize(oldSize + added);
    std::size_t src = oldSize;
    std::size_t dst = row.size();
    for (auto it = batch.rbegin(); it != batch.rend(); ++it) {
        const std::size_t at = std::min(it->column, oldSize);
        std::move_backward(row.begin() + static_cast<std::ptrdiff_t>(at),
                           row.begin() + static_cast<std::ptrdiff_t>(src),
                           row.begin() + static_cast<std::ptrdiff_t>(dst));
        dst -= src - at;
        std::fill(row.begin() + static_cast<std::ptrdiff_t>(dst - it->count),
                  row.begin() + static_cast<std::ptrdiff_t>(dst), fill);
        dst -= it->count;
        src = at;
    }
}

}  // namespace

MaskRuns::MaskRuns() : maskChar('n') {}

MaskRuns::MaskRuns(char c) : maskChar(c) {}

bool MaskRuns::collapse(std::vector<std::string>& seqs) {
    posMap.resize(seqs.size());
    runLengths.resize(seqs.size());
    bool found = false;
    for (std::size_t i = 0; i < seqs.size(); ++i) {
        // A caller that skipped clear() must not get the previous pair's
        // positions and runs mixed into this one's.
        std::vector<unsigned long>& positions = posMap[i];
        std::map<unsigned long, unsigned long>& runs = runLengths[i];
        positions.clear();
        runs.clear();

        // The collapsed sequence is never longer than what has been read, so
        // it is compacted in place behind the read position.
        std::string& seq = seqs[i];
        const std::size_t len = seq.size();
        std::size_t pos = 0;
        std::size_t out = 0;
        while (pos < len) {
            const char c = lowered(seq[pos]);
            positions.push_back(pos);
            seq[out] = c;
            if (c != maskChar) {
                ++pos;
                ++out;
                continue;
            }
            const std::size_t start = pos;
            do {
                ++pos;
            } while (pos < len && lowered(seq[pos]) == maskChar);
            // Keys arrive in increasing order, so each belongs at the end.
            runs.emplace_hint(runs.end(), out, pos - start);
            found = true;
            ++out;
        }
        seq.resize(out);
    }
    return found;
}

void MaskRuns::restore(std::vector<unsigned long> offsets,
                            std::vector<std::vector<char>>& rows, Messages& messages) {
    // Rows without a table or an offset (a caller out of step with the last
    // collapse) are read as having no runs and starting at 0, rather
    // than reading past either vector.
    static const std::map<unsigned long, unsigned long> noRuns;
    std::vector<Insertion> batch;
    for (std::size_t s = 0; s < rows.size(); ++s) {
        const auto& runs = s < runLengths.size() ? runLengths[s] : noRuns;
        const unsigned long offset = s < offsets.size() ? offsets[s] : 0;

        // Earlier rows' expansions only put gaps into this row, and this
        // row's own restored characters are stepped over, so scanning the row
        // as it stands finds exactly the stand-ins and keys that growing it
        // column by column would. `added` turns a column of the row as it
        // stands into the column it has once the runs before it are back.
        batch.clear();
        std::size_t added = 0;
        const std::vector<char>& row = rows[s];
        unsigned long k = 0;
        for (std::size_t p = 0; p < row.size(); ++p) {
            if (row[p] == maskChar) {
                const unsigned long key = k + offset;
                const auto run = runs.find(key);
                if (run == runs.end()) {
                    messages.push_back(verbatimOutLine(
                        "Error at sequence " + std::to_string(static_cast<long long>(s)) +
                        " at position " + std::to_string(static_cast<long long>(p + added)) + ":" +
                        std::to_string(key)));
                } else if (run->second > 1) {
                    // A zero length cannot come from collapse; it is
                    // treated like a run of one instead of wrapping around.
                    batch.push_back({p, run->second - 1});
                    added += run->second - 1;
                }
            }
            if (row[p] != '-') ++k;
        }
        if (batch.empty()) continue;
        for (std::size_t t = 0; t < rows.size(); ++t)
            expandRow(rows[t], batch, added, t == s ? maskChar : '-');
    }
}

void MaskRuns::clear() {
    posMap.clear();
    runLengths.clear();
}
