#pragma once

#include <initializer_list>
#include <streambuf>
#include <string_view>
#include <vector>

// A buffered output stream buffer over a file descriptor, so that an output
// can be a temporary file, a stream that was handed to the process (its
// standard output reached through /dev/stdout keeps its place and its append
// mode) or a device, all written the same way. A failed write makes the
// stream fail; error() keeps the system's reason.
class DescriptorBuf : public std::streambuf {
public:
    DescriptorBuf();
    // Writes to `fd` from now on (-1: none); the descriptor stays the caller's.
    void reset(int fd);
    int fd() const { return fd_; }
    // errno of the first failed write, 0 while none failed.
    int error() const { return error_; }
    // From now on writes are dropped: the reader of a pipe went away.
    void discard() {
        discard_ = true;
        setp(buf_.data(), buf_.data() + buf_.size());
    }

protected:
    int_type overflow(int_type c) override;
    int sync() override;
    std::streamsize xsputn(const char* data, std::streamsize n) override;

private:
    bool drain();
    bool writeOut(const char* data, std::size_t n);

    std::vector<char> buf_;
    int fd_ = -1;
    int error_ = 0;
    bool discard_ = false;
};

// Writes `pieces` to `fd` whole; false with errno set.
bool writeAll(int fd, std::initializer_list<std::string_view> pieces);

// Copies what `from` holds, from its start, to `to`; false with errno set.
bool copyAll(int from, int to);
