#include "anchor/SideBySideFills.hpp"

#include <memory>

#include "common/MemoryBudget.hpp"
#include "common/SideBySide.hpp"
#include "common/WorkArena.hpp"

void alignIndependentFills(const SearchContext& context, const std::vector<long long>& cells,
                           const IndependentFill& align) {
    const AlignParameters& params = context.params;
    std::vector<int> small;
    for (int task = 0; task < static_cast<int>(cells.size()); ++task) {
        if (params.threads > 1 && cells[static_cast<std::size_t>(task)] < params.tuning.parallelFillMinCells) {
            small.push_back(task);
        } else {
            align(task, context);
        }
    }
    if (small.size() < 2) {
        for (const int task : small) align(task, context);
        return;
    }
    AlignParameters alone = params;
    alone.threads = 1;
    std::vector<char> lackedMemory(small.size(), 0);
    {
        std::vector<std::unique_ptr<WorkArena>> arenas;
        for (int w = 1; w < params.threads; ++w)
            arenas.push_back(std::make_unique<WorkArena>(context.arena.budget()));
        runSideBySide(static_cast<int>(small.size()), params.threads, [&](int k, int worker) {
            WorkArena& arena = worker == 0 ? context.arena : *arenas[static_cast<std::size_t>(worker - 1)];
            const SearchContext own{context.seq1, context.seq2, context.lookup, alone, arena};
            try {
                align(small[static_cast<std::size_t>(k)], own);
            } catch (const OutOfMemory&) {
                lackedMemory[static_cast<std::size_t>(k)] = 1;
            }
        });
    }
    const SearchContext one{context.seq1, context.seq2, context.lookup, alone, context.arena};
    for (std::size_t k = 0; k < small.size(); ++k)
        if (lackedMemory[k]) align(small[k], one);
}
