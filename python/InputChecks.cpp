#include "InputChecks.hpp"

#include <algorithm>

#include "PythonResult.hpp"
#include "input/FastaReader.hpp"

namespace {

// Line ends have the digits' warning here; the reader never sees them.
constexpr std::string_view kOwnWarning = "0123456789 \t\r\n";

char maskCharOf(const torva::Options& options) {
    return options.protein || matrixOf(options).isProtein() ? '*' : 'n';
}

}  // namespace

InputChecks::InputChecks(const torva::Options& options)
    : unknown_(matrixOf(options).letters(), maskCharOf(options), kOwnWarning) {}

std::vector<std::string> InputChecks::warnings(const std::string& subject, std::string_view seq) const {
    std::vector<std::string> out;
    if (seq.empty()) out.push_back(subject + " is empty; it is aligned as all gaps");
    const bool pasted = std::any_of(seq.begin(), seq.end(), [](char c) {
        return isDigitOrBlank(c) || c == '\n' || c == '\r';
    });
    if (pasted)
        out.push_back(subject + " has digits, spaces or line ends (a pasted GenBank block?); "
                                "they are aligned as residues");
    if (const std::string letters = unknown_.describe(seq); !letters.empty())
        out.push_back(subject + " has " + letters);
    return out;
}
