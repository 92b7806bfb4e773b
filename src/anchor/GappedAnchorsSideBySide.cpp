#include <memory>

#include "anchor/AnchorSteps.hpp"
#include "common/MemoryBudget.hpp"
#include "common/SideBySide.hpp"
#include "common/WorkArena.hpp"

// Each re-alignment reads its own anchor and nothing the search changes, so
// the search leaves them all for the end, where they need not wait for one
// another. The large ones go one at a time with every thread on their fills;
// the small ones, which a fill does not split, go side by side, a thread and
// an arena each. One that finds no memory beside the others is re-aligned
// again alone at the end, from its rows as the search left them: side by
// side must never fail a pair that fits one anchor at a time.
void realignGappedAnchors(const SearchContext& context, std::vector<Segment>& anchors) {
    const AlignParameters& params = context.params;
    std::vector<Segment*> small;
    for (Segment& anchor : anchors) {
        if (!isGappedAnchor(anchor)) continue;
        const long long cells = static_cast<long long>(anchor.region.end.i - anchor.region.begin.i) *
                                (anchor.region.end.j - anchor.region.begin.j);
        if (params.threads > 1 && cells < params.tuning.parallelFillMinCells) {
            small.push_back(&anchor);
        } else {
            realignGappedAnchor(context, anchor);
        }
    }
    if (small.size() < 2) {
        for (Segment* anchor : small) realignGappedAnchor(context, *anchor);
        return;
    }
    AlignParameters alone = params;
    alone.threads = 1;
    std::vector<char> lackedMemory(small.size(), 0);
    {
        std::vector<std::unique_ptr<WorkArena>> arenas;
        for (int w = 1; w < params.threads; ++w)
            arenas.push_back(std::make_unique<WorkArena>(context.arena.budget()));
        runSideBySide(static_cast<int>(small.size()), params.threads, [&](int task, int worker) {
            WorkArena& arena = worker == 0 ? context.arena : *arenas[static_cast<std::size_t>(worker - 1)];
            const SearchContext own{context.seq1, context.seq2, context.lookup, alone, arena};
            Segment anchor = *small[static_cast<std::size_t>(task)];
            try {
                realignGappedAnchor(own, anchor);
                *small[static_cast<std::size_t>(task)] = std::move(anchor);
            } catch (const OutOfMemory&) {
                lackedMemory[static_cast<std::size_t>(task)] = 1;
            }
        });
    }
    const SearchContext one{context.seq1, context.seq2, context.lookup, alone, context.arena};
    for (std::size_t k = 0; k < small.size(); ++k)
        if (lackedMemory[k]) realignGappedAnchor(one, *small[k]);
}
