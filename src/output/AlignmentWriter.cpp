#include "output/AlignmentWriter.hpp"

namespace {

void writeRow(std::ostream& out, const std::vector<char>& row) {
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
    out << '\n';
}

}  // namespace

void writeAlignmentRecord(std::ostream& out, const PairAlignment& pair) {
    out << '>' << pair.name1 << '\t' << pair.anchorScore << '\t' << pair.score << '\n';
    writeRow(out, pair.row1);
    out << '>' << pair.name2 << (pair.minusStrand ? " (-)\n" : "\n");
    writeRow(out, pair.row2);
    out << '\n';
}
