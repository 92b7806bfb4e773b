#include "BlockedView.hpp"

#include <algorithm>
#include <sstream>

#include "align/Cigar.hpp"

std::string blockedView(std::string_view row1, std::string_view row2, const std::string& name1,
                        const std::string& name2, const torva::Matrix& matrix,
                        std::size_t width, bool minus2) {
    width = std::max<std::size_t>(width, 1);
    auto label = [](const std::string& name) {
        const std::string word = name.substr(0, std::min<std::size_t>(name.find_first_of(" \t"), 30));
        return word.empty() ? std::string("*") : word;
    };
    const std::string label1 = label(name1), label2 = label(name2);
    const std::size_t nameWidth = std::max(label1.size(), label2.size());
    const std::size_t n = std::min(row1.size(), row2.size());
    const auto residues = [](std::string_view s) {
        return static_cast<long long>(s.size()) - std::count(s.begin(), s.end(), '-');
    };
    const std::size_t numberWidth =
        std::to_string(std::max(residues(row1.substr(0, n)), residues(row2.substr(0, n))) + 1).size();

    std::ostringstream out;
    auto line = [&](const std::string& name, long long start, std::string_view segment, long long end) {
        const std::string number = std::to_string(start);
        out << name << std::string(nameWidth - name.size() + 1, ' ')
            << std::string(numberWidth - std::min(numberWidth, number.size()), ' ') << number << ' '
            << segment << ' ' << end << '\n';
    };
    const long long length2 = residues(row2.substr(0, n));
    // Position k of the reverse complement is length2 + 1 - k on the forward strand.
    const auto shown2 = [&](long long k) { return minus2 ? length2 + 1 - k : k; };
    long long next1 = 1, next2 = 1;
    for (std::size_t from = 0; from < n; from += width) {
        const std::size_t len = std::min(width, n - from);
        const std::string_view s1 = row1.substr(from, len), s2 = row2.substr(from, len);
        std::string marks(len, ' ');
        for (std::size_t c = 0; c < len; ++c) {
            const char a = s1[c], b = s2[c];
            if (a == '-' || b == '-') continue;
            marks[c] = sameResidue(a, b) ? '|' : matrix.score(a, b) > 0 ? ':' : '.';
        }
        line(label1, next1, s1, next1 + residues(s1) - 1);
        out << std::string(nameWidth + 1 + numberWidth + 1, ' ') << marks << '\n';
        line(label2, shown2(next2), s2, shown2(next2 + residues(s2) - 1));
        out << '\n';
        next1 += residues(s1);
        next2 += residues(s2);
    }
    return out.str();
}
