#pragma once

#include <string>
#include <utility>
#include <vector>

// A line for the user, kept as a value so that the lines of many pairs can be
// printed in input order. `text` is the whole line without its line end.
struct Message {
    enum class Stream { kOut, kErr };
    Stream stream;
    std::string text;
};
using Messages = std::vector<Message>;

inline Message outLine(std::string text) { return {Message::Stream::kOut, std::move(text)}; }
inline Message errLine(std::string text) { return {Message::Stream::kErr, std::move(text)}; }
