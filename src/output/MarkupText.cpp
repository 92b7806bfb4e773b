#include "output/MarkupText.hpp"

#include <algorithm>
#include <string_view>

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

}  // namespace

std::string xmlText(const std::string& text) {
    const std::string_view s = text;
    // Most text (rows of residues, numbers) needs nothing done.
    if (std::all_of(s.begin(), s.end(), [](char c) {
            return c >= 0x20 && c < 0x7F && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
        }))
        return text;
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        switch (c) {
            case '&': out += "&amp;"; continue;
            case '<': out += "&lt;"; continue;
            case '>': out += "&gt;"; continue;
            case '"': out += "&quot;"; continue;
            case '\'': out += "&apos;"; continue;
            default: break;
        }
        if (c < 0x80) {
            out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
        } else if (const std::size_t n = utf8Length(s, i)) {
            out.append(s.substr(i, n));
            i += n - 1;
        } else {
            out += '?';
        }
    }
    return out;
}
