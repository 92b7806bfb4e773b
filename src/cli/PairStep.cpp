#include "cli/PairStep.hpp"

#include <iostream>
#include <new>

#include "anchor/BestAligner.hpp"
#include "common/MemoryBudget.hpp"
#include "input/ScoreMatrix.hpp"
#include "input/SeqAssemble.hpp"

namespace {

void writeRow(std::ostream& out, const std::vector<char>& row) {
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
    out << '\n';
}

}  // namespace

bool alignPair(std::vector<std::string>& names, std::vector<std::string>& seqs,
               const ScoreMatrix& matrix, const PairSettings& settings, OutputFiles& out) {
    const std::size_t length1 = seqs[0].size();
    const std::size_t length2 = seqs[1].size();
    try {
        // Everything is computed before the first line is written, so a pair
        // that has to be abandoned leaves no partial lines behind.
        seqAssemble masks(settings.maskChar);
        const bool masked = masks.removeMasked(seqs);
        BestAligner aligner(seqs[0], seqs[1], matrix, settings.gapOpen, settings.gapExt,
                            settings.scoreFactor, settings.cutLen);
        std::vector<std::vector<char>> rows(2);
        int score = 0;
        int hssScore = 0;
        if (!settings.localOnly) {
            score = aligner.global_align(rows[0], rows[1]);
            hssScore = aligner.hssScore;
            aligner.selectAnchors();
            masks.addMasked({0, 0}, rows);
        } else {
            // The summary shows the sum of the listed anchors' scores.
            aligner.selectAnchors();
            hssScore = aligner.hssScore;
        }

        const std::string& name1 = names[0];
        const std::string& name2 = names[1];
        if (!settings.localOnly) {
            out.align << '>' << name1 << '\t' << hssScore << '\t' << score << '\n';
            writeRow(out.align, rows[0]);
            out.align << '>' << name2 << '\n';
            writeRow(out.align, rows[1]);
            out.align << '\n';
            out.align.flush();
            out.loc << '>' << name1 << '\t' << name2 << '\t' << hssScore << '\t' << score << '\n';
            out.score << name1 << '\t' << name2 << '\t' << hssScore << '\t' << score << '\n';
        } else {
            out.loc << '>' << name1 << '\t' << name2 << '\t' << hssScore << '\n';
            out.score << name1 << '\t' << name2 << '\t' << hssScore << '\n';
        }
        out.score.flush();
        if (masked) {
            aligner.getLA_order(10, out.loc, masks);
        } else {
            aligner.getLA_order(10, out.loc);
        }
        out.loc.flush();
        return true;
    } catch (const OutOfMemory& e) {
        std::cout.flush();
        std::cerr << "skipped pair " << names[0] << " (" << length1 << ") and " << names[1] << " ("
                  << length2 << "): it needs " << e.bytesNeeded
                  << " bytes of memory, more than is available" << std::endl;
        return false;
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        std::cerr << "skipped pair " << names[0] << " (" << length1 << ") and " << names[1] << " ("
                  << length2 << "): it needs more memory than is available" << std::endl;
        return false;
    }
}
