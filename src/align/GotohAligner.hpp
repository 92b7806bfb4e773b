#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "align/GotohTraceback.hpp"
#include "scoring/ScoreLookup.hpp"
#include "common/Grid.hpp"

// Global alignment with affine gaps (a gap of k positions scores
// gapOpen + (k-1) * gapExt), plus the two forms with one free end.
// The traceback keeps checkpoint rows and recomputes one block of rows at a
// time (GotohTraceback.hpp): a few tens of megabytes at 50 kb, not a byte a
// cell. The scores of the last row and column serve the free-end forms.
// The sequences are viewed, not copied; they must outlive the aligner.
// `strips` says when a large fill may use several threads; the result is the
// same either way.
class GotohAligner {
public:
    GotohAligner(std::string_view seq1, std::string_view seq2, const ScoreLookup& lookup, int gapOpen,
             int gapExt, WorkArena* arena = nullptr, const StripPolicy& strips = {});

    void fillMatrix();
    // Traceback from `start` to the origin; appends the columns to the rows and
    // returns the start cell's value in its state's matrix.
    int traceFrom(GotohCell start, std::vector<char>& row1, std::vector<char>& row2);
    int alignGlobal(std::vector<char>& row1, std::vector<char>& row2);
    // alignGlobal, told that some alignment of the two sequences reaches
    // `reachedScore` (alignedRowsScore): the fill leaves out the cells no
    // optimal alignment can touch (OptimalPathBound). The rows and score are
    // alignGlobal's; the free-end forms may not follow on this aligner.
    int alignGlobalReaching(long long reachedScore, std::vector<char>& row1, std::vector<char>& row2);
    // From the origin; the tail of the longer sequence may hang over for free.
    int alignFreeTail(std::vector<char>& row1, std::vector<char>& row2);
    // To the far corner; a leading overhang is free. Appends to the rows.
    int alignFreeHead(std::vector<char>& row1, std::vector<char>& row2);

    // The optimal global score alone, in linear memory.
    static int globalScore(std::string_view a, std::string_view b, const ScoreLookup& lookup,
                           int gapOpen, int gapExt);

    std::int32_t score = 0;
    bool filled = false;

private:
    GotohProblem problem() const;

    std::string_view seq1_, seq2_;
    std::vector<ScoreLookup::Code> codes1_, codes2_;
    const ScoreLookup& lookup_;
    WorkArena* arena_;
    StripPolicy strips_;
    std::int32_t len1_, len2_;
    std::int32_t gapOpen_, gapExt_;
    GotohFill fill_;
    std::optional<OptimalPathBound> bound_;
};
