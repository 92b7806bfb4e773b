#include "output/ScoreWriter.hpp"

void writeScoreLine(std::ostream& out, const PairAlignment& pair) {
    out << pair.name1 << '\t' << pair.name2 << '\t' << pair.anchorScore;
    if (!pair.localOnly) out << '\t' << pair.score;
    if (pair.strandChosen) out << (pair.minusStrand ? "\t-" : "\t+");
    out << '\n';
}
