#pragma once

#include <istream>
#include <memory>
#include <stdexcept>
#include <string>

// An input that can not be used, with a message meant for the user (it names
// the file and says why). Thrown by the readers and by the decompressing
// stream while it reads; nothing here prints.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct OpenedInput {
    std::unique_ptr<std::istream> stream;  // null when the input did not open
    std::string error;                     // then the system's reason, e.g. "No such file or directory"
    bool gzip = false;                     // the data are gzip-compressed (and read decompressed)
    // Set while reading when bytes follow the end of the gzip data (they are
    // ignored, as gzip itself does, but the user should hear of it).
    std::shared_ptr<std::string> notice = std::make_shared<std::string>();
};

// Opens `path` for reading; "-" is standard input (left open at the end).
// Gzip data, single or concatenated members (bgzip), are recognised by their
// first two bytes (1f 8b), never by the name, and read decompressed. Damaged
// or truncated gzip data, or a failing read, make the stream throw InputError
// while reading. Reading needs no seeking, so pipes and FIFOs work too.
OpenedInput openInput(const std::string& path);

// The same on an already open descriptor; it is closed with the stream when
// `owned` (and on failure). `subject` names it in messages (inputSubject()).
OpenedInput openInputFd(int fd, bool owned, const std::string& subject);

// How messages name an input: "the file: PATH", or "standard input" for "-".
std::string inputSubject(const std::string& path);
