#include "output/DescriptorBuf.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr std::size_t kBufferSize = std::size_t{1} << 16;
}

DescriptorBuf::DescriptorBuf() : buf_(kBufferSize) { setp(buf_.data(), buf_.data() + buf_.size()); }

void DescriptorBuf::reset(int fd) {
    fd_ = fd;
    error_ = 0;
    discard_ = false;
    setp(buf_.data(), buf_.data() + buf_.size());
}

bool DescriptorBuf::writeOut(const char* data, std::size_t n) {
    if (discard_) return true;
    if (fd_ < 0 || error_ != 0) {
        if (error_ == 0) error_ = EBADF;
        return false;
    }
    while (n > 0) {
        const ssize_t wrote = ::write(fd_, data, n);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            error_ = wrote == 0 ? EIO : errno;
            errno = error_;
            return false;
        }
        data += wrote;
        n -= static_cast<std::size_t>(wrote);
    }
    return true;
}

bool DescriptorBuf::drain() {
    const std::size_t n = static_cast<std::size_t>(pptr() - pbase());
    setp(buf_.data(), buf_.data() + buf_.size());
    return writeOut(buf_.data(), n);
}

DescriptorBuf::int_type DescriptorBuf::overflow(int_type c) {
    if (!drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int DescriptorBuf::sync() { return drain() ? 0 : -1; }

std::streamsize DescriptorBuf::xsputn(const char* data, std::streamsize n) {
    const std::size_t size = static_cast<std::size_t>(n);
    if (size == 0) return 0;  // an empty row's data() may be null
    if (size <= static_cast<std::size_t>(epptr() - pptr())) {
        std::memcpy(pptr(), data, size);
        pbump(static_cast<int>(size));
        return n;
    }
    // A large piece (a long aligned row) goes out whole, without copying.
    if (!drain() || !writeOut(data, size)) return 0;
    return n;
}

bool writeAll(int fd, std::initializer_list<std::string_view> pieces) {
    for (std::string_view piece : pieces) {
        while (!piece.empty()) {
            const ssize_t wrote = ::write(fd, piece.data(), piece.size());
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                if (wrote == 0) errno = EIO;
                return false;
            }
            piece.remove_prefix(static_cast<std::size_t>(wrote));
        }
    }
    return true;
}

bool copyAll(int from, int to) {
    if (::lseek(from, 0, SEEK_SET) != 0) return false;
    char buf[1 << 16];
    for (;;) {
        const ssize_t got = ::read(from, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!writeAll(to, {std::string_view(buf, static_cast<std::size_t>(got))})) return false;
    }
}
