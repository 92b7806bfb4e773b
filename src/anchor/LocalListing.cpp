#include <iomanip>

#include "anchor/BestAligner.hpp"
#include "input/SeqAssemble.hpp"

namespace {

// Position in the uncollapsed sequence, or -1 for an index outside the map.
long long uncollapsed(const std::vector<unsigned long>& map, long long index) {
    if (index < 0 || index >= static_cast<long long>(map.size())) return -1;
    return static_cast<long long>(map[static_cast<std::size_t>(index)]);
}

}  // namespace

void BestAligner::getLA_order(int minLen, std::ostream& out) { listAnchors(minLen, out, nullptr); }

void BestAligner::getLA_order(int minLen, std::ostream& out, seqAssemble& masks) {
    listAnchors(minLen, out, &masks);
}

void BestAligner::listAnchors(int minLen, std::ostream& out, const seqAssemble* masks) {
    selectAnchors();
    static const std::vector<unsigned long> kNoMap;
    for (const f2pScore& r : hssList) {
        long long b1, e1, b2, e2, span;
        if (masks) {
            const auto& map1 = masks->posMap.size() > 0 ? masks->posMap[0] : kNoMap;
            const auto& map2 = masks->posMap.size() > 1 ? masks->posMap[1] : kNoMap;
            b1 = uncollapsed(map1, r.f2p.first.i);
            e1 = uncollapsed(map1, static_cast<long long>(r.f2p.second.i) - 1);
            b2 = uncollapsed(map2, r.f2p.first.j);
            e2 = uncollapsed(map2, static_cast<long long>(r.f2p.second.j) - 1);
            span = e1 - b1 + 1;
        } else {
            b1 = r.f2p.first.i;
            e1 = r.f2p.second.i;
            b2 = r.f2p.first.j;
            e2 = r.f2p.second.j;
            span = e1 - b1;
        }
        if (span < minLen) continue;
        out << std::left;
        out << "1 " << std::setw(6) << b1 << ' ' << std::setw(6) << e1 << ' ' << std::setw(10)
            << r.score << "  ";
        out.write(r.align1.data(), static_cast<std::streamsize>(r.align1.size()));
        out << std::endl;
        out << "2 " << std::setw(6) << b2 << ' ' << std::setw(6) << e2 << ' ' << std::setw(10)
            << r.score << "  ";
        out.write(r.align2.data(), static_cast<std::streamsize>(r.align2.size()));
        out << std::endl;
    }
}
