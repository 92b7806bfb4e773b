#pragma once

#include <string>
#include <string_view>

#include "common/Message.hpp"

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

}  // namespace MessageSink
