// FASTA reader on arbitrary bytes, read as they are (gzip magic included, so
// damaged gzip is fuzzed too) and, for data that are not gzip already, once
// more after gzip compression in one or two members: both readings must give
// the same records or the same refusal.
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "input/InputStream.hpp"
#include "input/FastaReader.hpp"

namespace {

struct Result {
    std::vector<std::string> names, seqs;
    std::string error;
    bool operator==(const Result&) const = default;
};

Result readBytes(const std::string& bytes, int perCall) {
    Result r;
    int fd = ::memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    if (!bytes.empty() && ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    ::lseek(fd, 0, SEEK_SET);
    try {
        OpenedInput opened = openInputFd(fd, true, "the file: in");
        if (!opened.stream) return r;
        FastaReader reader(std::move(opened.stream), "in");
        while (reader.readRecords(r.names, r.seqs, perCall) == perCall) {
        }
        if (r.names.size() != r.seqs.size()) std::abort();
    } catch (const InputError& e) {
        r.error = e.what();
    }
    return r;
}

std::string gzipMember(const std::string& data) {
    z_stream zs{};
    if (deflateInit2(&zs, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
    std::string out(deflateBound(&zs, data.size()) + 32, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    if (deflate(&zs, Z_FINISH) != Z_STREAM_END) std::abort();
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const int perCall = 1 + static_cast<int>(size % 3);
    const Result plain = readBytes(bytes, perCall);
    if (size >= 2 && data[0] == 0x1f && data[1] == 0x8b) return 0;
    const std::size_t cut = size == 0 ? 0 : data[size - 1] % (size + 1);
    const Result packed = readBytes(gzipMember(bytes.substr(0, cut)) + gzipMember(bytes.substr(cut)), perCall);
    if (!(plain == packed)) std::abort();
    return 0;
}
