#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A line for the user, kept as a value so that the lines of many pairs can be
// printed in input order. `text` is the whole line without its line end.
// Lines are printed after the program's name ("torva: ..."), except those
// marked `verbatim`: the first lines of the messages that scripts have read
// since the first release ("can not open output file: PATH"), kept as they
// always were.
struct Message {
    enum class Stream { kOut, kErr };
    Stream stream;
    std::string text;
    bool verbatim = false;
};
using Messages = std::vector<Message>;

inline Message outLine(std::string text) { return {Message::Stream::kOut, std::move(text)}; }
inline Message errLine(std::string text) { return {Message::Stream::kErr, std::move(text)}; }
inline Message verbatimOutLine(std::string text) { return {Message::Stream::kOut, std::move(text), true}; }
inline Message verbatimErrLine(std::string text) { return {Message::Stream::kErr, std::move(text), true}; }

// A record name as a message shows it: control bytes escaped (an ESC in a
// header must not reach the terminal), cut after 60 characters, so that a
// file with carriage-return line ends does not print its whole text as a name.
std::string shownName(std::string_view name);
