#include "align/GotohAligner.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "align/GotohKernel.hpp"

GotohAligner::GotohAligner(std::string_view s1, std::string_view s2, const ScoreLookup& lookup, int open,
                   int ext, WorkArena* arena, const StripPolicy& strips)
    : seq1_(s1),
      seq2_(s2),
      lookup_(lookup),
      arena_(arena),
      strips_(strips),
      len1_(static_cast<std::int32_t>(s1.size())),
      len2_(static_cast<std::int32_t>(s2.size())),
      gapOpen_(open),
      gapExt_(ext),
      fill_(arena) {}

GotohProblem GotohAligner::problem() const {
    return GotohProblem{codes1_.data(), len1_, codes2_.data(), len2_, lookup_, gapOpen_, gapExt_};
}

void GotohAligner::fillMatrix() {
    codes1_ = lookup_.encode(seq1_);
    codes2_ = lookup_.encode(seq2_);
    fill_ = fillGotohCheckpointed(problem(), 0, arena_, strips_, 0, bound_);
    score = std::max({fill_.corner.d, fill_.corner.p, fill_.corner.q});
    filled = true;
}

int GotohAligner::traceFrom(GotohCell start, std::vector<char>& row1, std::vector<char>& row2) {
    if (!filled) fillMatrix();
    if (static_cast<unsigned>(start.state) > static_cast<unsigned>(GotohState::kGapIn1))
        throw std::logic_error("GotohAligner::traceFrom: no state " +
                               std::to_string(static_cast<unsigned>(start.state)) +
                               " at " + std::to_string(start.i) + "," + std::to_string(start.j));
    return traceGotoh(problem(), fill_, start, seq1_, seq2_, row1, row2);
}

int GotohAligner::alignGlobal(std::vector<char>& row1, std::vector<char>& row2) {
    if (!filled) fillMatrix();
    return traceFrom(gotohGlobalStart(fill_, len1_, len2_), row1, row2);
}

int GotohAligner::alignGlobalReaching(long long reachedScore, std::vector<char>& row1,
                                      std::vector<char>& row2) {
    if (!filled)
        bound_ = optimalPathBound(len1_, len2_, lookup_.bestScore(), gapOpen_, gapExt_, reachedScore);
    return alignGlobal(row1, row2);
}

int GotohAligner::alignFreeTail(std::vector<char>& row1, std::vector<char>& row2) {
    if (!filled) fillMatrix();
    if (bound_) throw std::logic_error("GotohAligner::alignFreeTail after a fill bounded by a known score");
    const GotohCell start = gotohRightStart(fill_, len1_, len2_);
    const int bi = start.i, bj = start.j;
    const int result = traceFrom(start, row1, row2);
    if (bi == len1_ && bj < len2_) {
        row1.insert(row1.end(), static_cast<std::size_t>(len2_ - bj), '-');
        row2.insert(row2.end(), seq2_.begin() + bj, seq2_.end());
    }
    if (bi < len1_) {
        row1.insert(row1.end(), seq1_.begin() + bi, seq1_.end());
        row2.insert(row2.end(), static_cast<std::size_t>(len1_ - bi), '-');
    }
    return result;
}

int GotohAligner::alignFreeHead(std::vector<char>& row1, std::vector<char>& row2) {
    // A free leading overhang is a free trailing one of the reversed stretch.
    const std::string r1(seq1_.rbegin(), seq1_.rend());
    const std::string r2(seq2_.rbegin(), seq2_.rend());
    GotohAligner reversed(r1, r2, lookup_, gapOpen_, gapExt_, arena_, strips_);
    const std::size_t from1 = row1.size();
    const std::size_t from2 = row2.size();
    const int result = reversed.alignFreeTail(row1, row2);
    std::reverse(row1.begin() + static_cast<std::ptrdiff_t>(from1), row1.end());
    std::reverse(row2.begin() + static_cast<std::ptrdiff_t>(from2), row2.end());
    return result;
}

int GotohAligner::globalScore(std::string_view a, std::string_view b, const ScoreLookup& lookup,
                          int gapOpen, int gapExt) {
    const auto ca = lookup.encode(a);
    const auto cb = lookup.encode(b);
    const GotohCorner c = fillGotoh(ca.data(), static_cast<int>(a.size()), cb.data(),
                                    static_cast<int>(b.size()), lookup, gapOpen, gapExt);
    return std::max({c.d, c.p, c.q});
}
