#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

// Text built up in memory with stream-like syntax. A picture or a view is
// thousands of small pieces; put one by one into an ostream, each pays for
// the stream's guard object and locale, which costs more than the drawing.
struct TextBuffer {
    std::string text;

    TextBuffer& operator<<(std::string_view piece) {
        text.append(piece);
        return *this;
    }
    TextBuffer& operator<<(char c) {
        text += c;
        return *this;
    }
    template <class Integer>
        requires(std::is_integral_v<Integer> && !std::is_same_v<Integer, char> && !std::is_same_v<Integer, bool>)
    TextBuffer& operator<<(Integer value) {
        char digits[24];
        text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
        return *this;
    }
};

// Writes `v` with one decimal, exactly as std::to_chars(first, last, v,
// std::chars_format::fixed, 1) does, and returns the end. Pictures hold
// thousands of coordinates, and the general conversion, which works out the
// exact decimal value of any double, costs more than all the rest of the
// drawing. For the usual coordinate, 10v is rounded to a whole number in
// double arithmetic: its error is far below a millionth, so unless 10v lies
// that close to a half (a tie, rounded to even by the general conversion,
// or a value just beside one) the result is the same. Those, negative and
// very large values take the general conversion.
inline char* toFixedOne(char* first, char* last, double v) {
    if (std::signbit(v) || !(v < 1e6) || last - first < 12) return std::to_chars(first, last, v, std::chars_format::fixed, 1).ptr;
    const double tenths = v * 10;
    const double whole = std::floor(tenths);
    const double rest = tenths - whole;
    if (std::fabs(rest - 0.5) < 1e-6) return std::to_chars(first, last, v, std::chars_format::fixed, 1).ptr;
    const auto n = static_cast<std::uint64_t>(whole) + (rest > 0.5 ? 1 : 0);
    char* end = std::to_chars(first, last, n / 10).ptr;
    *end++ = '.';
    *end++ = static_cast<char>('0' + n % 10);
    return end;
}
