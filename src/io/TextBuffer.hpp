#pragma once

#include <charconv>
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
