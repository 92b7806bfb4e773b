#include "input/ScoreMatrix.hpp"

#include <cctype>
#include <sstream>

unsigned int ScoreMatrix::read_in(std::istream& in) {
    std::string line;
    while (std::getline(in, line) && (line.empty() || line[0] != '>')) {}
    if (!in) return 0;
    title = line.substr(1);
    std::getline(in, line);
    int n = 0;
    for (char c : line)
        if (!std::isspace(static_cast<unsigned char>(c)))
            alphabet[static_cast<char>(std::tolower(static_cast<unsigned char>(c)))] = n++;
    scores.assign(n, n);
    int rows = 0;
    while (rows < n && std::getline(in, line)) {
        if (line.empty()) continue;
        std::istringstream ls(line);
        char c;
        ls >> c;
        unsigned long r = alphabet[static_cast<char>(std::tolower(static_cast<unsigned char>(c)))];
        for (int k = 0; k < n; ++k) ls >> scores[r][k];
        ++rows;
    }
    return static_cast<unsigned>(n);
}
