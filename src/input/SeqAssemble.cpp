#include "input/SeqAssemble.hpp"

#include <cctype>

namespace {

char lowered(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

seqAssemble::seqAssemble() : maskChar('n') {}

seqAssemble::seqAssemble(char c) : maskChar(c) {}

bool seqAssemble::removeMasked(std::vector<std::string>& seqs) {
    posMap.resize(seqs.size());
    maskRuns.resize(seqs.size());
    bool found = false;
    for (std::size_t i = 0; i < seqs.size(); ++i) {
        // A caller that skipped clear() must not get the previous pair's
        // positions and runs mixed into this one's.
        std::vector<unsigned long>& positions = posMap[i];
        std::map<unsigned long, unsigned long>& runs = maskRuns[i];
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

void seqAssemble::addMasked(std::vector<unsigned long>, std::vector<std::vector<char>>&) {}

void seqAssemble::clear() {
    posMap.clear();
    maskRuns.clear();
}
