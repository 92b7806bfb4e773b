#include "input/InputStream.hpp"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kReadSize = std::size_t{1} << 16;
constexpr std::size_t kInflateSize = std::size_t{1} << 18;

// A buffer that is not zeroed first: it is always written before it is read.
template <typename T>
class Buffer {
public:
    explicit Buffer(std::size_t size) : data_(std::make_unique_for_overwrite<T[]>(size)), size_(size) {}
    T* data() { return data_.get(); }
    std::size_t size() const { return size_; }

private:
    std::unique_ptr<T[]> data_;
    std::size_t size_;
};

// read(2), retried when a signal interrupts it.
ssize_t readSome(int fd, void* buf, std::size_t n) {
    for (;;) {
        ssize_t got = ::read(fd, buf, n);
        if (got >= 0 || errno != EINTR) return got;
    }
}

class Descriptor {
public:
    Descriptor(int fd, bool owned, std::string subject)
        : fd_(fd), owned_(owned), subject_(std::move(subject)) {}
    ~Descriptor() {
        if (owned_) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    // Bytes read into buf, 0 at the end; a read error mid-way is the input's
    // fault as far as the user can tell, so it becomes an InputError.
    std::size_t read(void* buf, std::size_t n) const {
        ssize_t got = readSome(fd_, buf, n);
        if (got < 0) throw InputError(subject_ + " can not be read: " + std::strerror(errno));
        return static_cast<std::size_t>(got);
    }
    const std::string& subject() const { return subject_; }

private:
    int fd_;
    bool owned_;
    std::string subject_;
};

// Plain data straight from the descriptor; `prefix` holds the bytes already
// taken to look for the gzip magic.
class PlainBuf : public std::streambuf {
public:
    PlainBuf(int fd, bool owned, const std::string& subject, const std::string& prefix)
        : source_(fd, owned, subject), buf_(kReadSize) {
        std::memcpy(buf_.data(), prefix.data(), prefix.size());
        setg(buf_.data(), buf_.data(), buf_.data() + prefix.size());
    }

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        std::size_t got = source_.read(buf_.data(), buf_.size());
        if (got == 0) return traits_type::eof();
        setg(buf_.data(), buf_.data(), buf_.data() + got);
        return traits_type::to_int_type(*gptr());
    }

private:
    Descriptor source_;
    Buffer<char> buf_;
};

// Gzip data, decompressed member after member: bgzip writes a file as many
// small members, and `cat a.gz b.gz` is a valid gzip file too.
class GzipBuf : public std::streambuf {
public:
    GzipBuf(int fd, bool owned, const std::string& subject, const std::string& prefix,
            std::shared_ptr<std::string> notice)
        : source_(fd, owned, subject), notice_(std::move(notice)), in_(kReadSize), out_(kInflateSize) {
        if (inflateInit2(&zs_, 16 + MAX_WBITS) != Z_OK) throw std::bad_alloc();
        std::memcpy(in_.data(), prefix.data(), prefix.size());
        zs_.next_in = in_.data();
        zs_.avail_in = static_cast<uInt>(prefix.size());
    }
    ~GzipBuf() override { inflateEnd(&zs_); }

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        for (;;) {
            if (finished_) return traits_type::eof();
            if (memberDone_) {
                // What follows a member is another member or the end; other
                // trailing bytes (padding) end the data, as gzip itself does.
                if (!fillInput()) {
                    finished_ = true;
                    continue;
                }
                if (zs_.next_in[0] != 0x1f) {
                    *notice_ = source_.subject() + " has bytes after the end of its gzip data; they are ignored";
                    finished_ = true;
                    continue;
                }
                inflateReset(&zs_);
                memberDone_ = false;
            }
            if (zs_.avail_in == 0) fillInput();
            zs_.next_out = reinterpret_cast<Bytef*>(out_.data());
            zs_.avail_out = static_cast<uInt>(out_.size());
            int status = inflate(&zs_, Z_NO_FLUSH);
            std::size_t produced = out_.size() - zs_.avail_out;
            if (status == Z_STREAM_END) {
                memberDone_ = true;
            } else if (status == Z_BUF_ERROR) {
                if (zs_.avail_in == 0 && inputEnded_) {
                    throw InputError(source_.subject() +
                                     " is damaged: the gzip data end early (truncated file?)");
                }
            } else if (status != Z_OK) {
                if (status == Z_MEM_ERROR) throw std::bad_alloc();
                throw InputError(source_.subject() + " is damaged: invalid gzip data (" +
                                 (zs_.msg ? zs_.msg : "unknown error") + ")");
            }
            if (produced > 0) {
                setg(out_.data(), out_.data(), out_.data() + produced);
                return traits_type::to_int_type(*gptr());
            }
        }
    }

private:
    // Makes input available to inflate; false at the end of the descriptor.
    bool fillInput() {
        if (zs_.avail_in > 0) return true;
        if (inputEnded_) return false;
        std::size_t got = source_.read(in_.data(), in_.size());
        if (got == 0) {
            inputEnded_ = true;
            return false;
        }
        zs_.next_in = in_.data();
        zs_.avail_in = static_cast<uInt>(got);
        return true;
    }

    Descriptor source_;
    std::shared_ptr<std::string> notice_;
    Buffer<unsigned char> in_;
    Buffer<char> out_;
    z_stream zs_{};
    bool inputEnded_ = false;
    bool memberDone_ = false;
    bool finished_ = false;
};

class OwningStream : public std::istream {
public:
    explicit OwningStream(std::unique_ptr<std::streambuf> buf)
        : std::istream(buf.get()), buf_(std::move(buf)) {
        // An InputError thrown while the buffer refills must reach the
        // reader instead of looking like the end of the file.
        exceptions(std::ios::badbit);
    }

private:
    std::unique_ptr<std::streambuf> buf_;
};

}  // namespace

std::string inputSubject(const std::string& path) {
    return path == "-" ? std::string("standard input") : "the file: " + path;
}

OpenedInput openInputFd(int fd, bool owned, const std::string& subject) {
    OpenedInput result;
    // Two bytes decide; a pipe may hand them over one at a time.
    char magic[2];
    std::size_t have = 0;
    while (have < sizeof magic) {
        ssize_t got = readSome(fd, magic + have, sizeof magic - have);
        if (got < 0) {
            result.error = std::strerror(errno);  // e.g. "Is a directory"
            if (owned) ::close(fd);
            return result;
        }
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    const std::string prefix(magic, have);
    result.gzip = have == 2 && static_cast<unsigned char>(magic[0]) == 0x1f &&
                  static_cast<unsigned char>(magic[1]) == 0x8b;
    std::unique_ptr<std::streambuf> buf;
    if (result.gzip) {
        buf = std::make_unique<GzipBuf>(fd, owned, subject, prefix, result.notice);
    } else {
        buf = std::make_unique<PlainBuf>(fd, owned, subject, prefix);
    }
    result.stream = std::make_unique<OwningStream>(std::move(buf));
    return result;
}

OpenedInput openInput(const std::string& path) {
    if (path == "-") return openInputFd(STDIN_FILENO, false, inputSubject(path));
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        OpenedInput result;
        result.error = std::strerror(errno);
        return result;
    }
    return openInputFd(fd, true, inputSubject(path));
}
