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
inline void outVerbatim(std::string_view line) { emit(verbatimOutLine(std::string(line))); }

// The program's name as invoked; every line that is not verbatim and does
// not already begin with "NAME: " gets it in front. "" (the start): none.
void setProgram(const std::string& name);
// When standard output carries data (`--paf -`, `--view -`), a message there
// would corrupt them: every line then goes to standard error.
void setDataOnStandardOutput(bool data);

// A status line on standard error that the next status replaces; any other
// line first clears it. Only for a terminal: the caller decides.
void showStatus(std::string_view text);
void clearStatus();

}  // namespace MessageSink
