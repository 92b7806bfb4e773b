#include "pair/MaskRunColumns.hpp"

std::vector<MaskRun> maskRunsInRow(std::span<const char> row, unsigned long firstCell,
                                   const std::map<unsigned long, unsigned long>& runs) {
    std::vector<MaskRun> found;
    if (runs.empty()) return found;
    unsigned long cell = firstCell;
    for (std::size_t column = 0; column < row.size(); ++column) {
        if (row[column] == '-') continue;
        const auto run = runs.find(cell++);
        if (run != runs.end() && run->second > 1) found.push_back({column, run->second});
    }
    return found;
}
