#pragma once

#include <ostream>
#include <string>
#include <string_view>
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

// The one place where warnings and errors reach standard output and standard
// error. Each line is written whole and flushed, under a lock, so lines from
// several threads never interleave.
namespace MessageSink {
void emit(const Message& message);
void emit(const Messages& messages);
inline void out(std::string_view line) { emit(outLine(std::string(line))); }
inline void err(std::string_view line) { emit(errLine(std::string(line))); }

// A status line on standard error that the next status replaces; any other
// line first clears it. Only for a terminal: the caller decides.
void showStatus(std::string_view text);
void clearStatus();

// While one is alive, the lines emitted on its thread are kept in `lines`
// instead of being printed: a library caller gets them as values.
class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    Messages lines;

private:
    Capture* previous_;
};
}  // namespace MessageSink
