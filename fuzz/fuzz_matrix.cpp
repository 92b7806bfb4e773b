// Scoring-matrix parser on arbitrary text: it either parses or reports a
// format error (MatrixError); a parsed table is square over its alphabet.
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "scoring/ScoreMatrix.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        ScoreMatrix m(in);
        if (m.size <= 0) std::abort();
        {
            if (m.alphabet.size() > static_cast<std::size_t>(m.size)) std::abort();
            for (const auto& entry : m.alphabet) {
                if (entry.second >= static_cast<unsigned long>(m.size)) std::abort();
            }
        }
    } catch (const MatrixError&) {
    }
    return 0;
}
