// Aligns two sequences given on the command line (DNA, or protein with -P)
// and prints the scores, the cigar string and the aligned rows.
//   align [-P] SEQ1 SEQ2
#include <cstring>
#include <exception>
#include <iostream>

#include <torva/torva.hpp>

int main(int argc, char** argv) {
    torva::Options options;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "-P") == 0) {
        options.protein = true;
        first = 2;
    }
    if (argc - first != 2) {
        std::cerr << "usage: " << argv[0] << " [-P] SEQ1 SEQ2\n";
        return 2;
    }
    try {
        const torva::Result r = torva::align(argv[first], argv[first + 1], options);
        std::cout << "score " << r.score << " anchors " << r.anchorScore << " (" << r.anchors.size()
                  << ")\ncigar " << r.cigar << '\n'
                  << r.row1 << '\n'
                  << r.row2 << '\n';
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
