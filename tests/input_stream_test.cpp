#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <random>
#include <thread>

#include "TestSupport.hpp"
#include "input/InputStream.hpp"
#include "input/ReadSeqFile.hpp"

using namespace testsupport;

namespace {

using V = std::vector<std::string>;

// One gzip member; with `blockExtra` it carries the 'BC' extra field that
// block-compressed files put in every member.
std::string gzipMember(const std::string& data, bool blockExtra = false) {
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    gz_header header{};
    unsigned char extra[6] = {'B', 'C', 2, 0, 0, 0};
    if (blockExtra) {
        header.extra = extra;
        header.extra_len = sizeof extra;
        deflateSetHeader(&zs, &header);
    }
    std::string out(deflateBound(&zs, data.size()) + 64, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

// Members of at most `block` bytes each and an empty last member, the way
// block-compressing tools write files.
std::string blockGzip(const std::string& data, std::size_t block) {
    std::string out;
    for (std::size_t at = 0; at < data.size(); at += block) out += gzipMember(data.substr(at, block), true);
    return out + gzipMember("", true);
}

struct Read {
    V names, seqs;
    std::string error;
};
Read readAll(readSeqFile reader, std::mt19937& rng) {
    Read r;
    while (reader.next_seq(r.names, r.seqs, 1 + static_cast<int>(rng() % 3)) > 0) {
    }
    return r;
}
Read readPath(const std::string& path, std::mt19937& rng) {
    try {
        return readAll(readSeqFile::open(path), rng);
    } catch (const InputError& e) {
        return Read{{}, {}, e.what()};
    }
}

std::string randomFasta(std::mt19937& rng) {
    std::string text = rng() % 2 ? "preamble text\r\n\n" : "";
    const int records = 1 + static_cast<int>(rng() % 40);
    for (int k = 0; k < records; ++k) {
        text += ">rec" + std::to_string(k) + (rng() % 3 ? " desc|x" : "") + (rng() % 4 ? "\n" : "\r\n");
        for (int lines = static_cast<int>(rng() % 6); lines > 0; --lines) {
            text += std::string(rng() % 90, "acgtnACGTN"[rng() % 10]) + (rng() % 5 ? "\n" : "\r\n");
            if (rng() % 7 == 0) text += "\n";
        }
    }
    return text;
}

// Runs f with standard input reading `path`.
template <typename F>
void withStdin(const std::string& path, F f) {
    int saved = ::dup(STDIN_FILENO);
    int fd = ::open(path.c_str(), O_RDONLY);
    ::dup2(fd, STDIN_FILENO);
    ::close(fd);
    f();
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
}

}  // namespace

TEST(InputStream, GzipBlockGzipAndPlainGiveTheSameRecords) {
    std::mt19937 rng(11);
    TempDir dir;
    for (int round = 0; round < 30; ++round) {
        const std::string text = randomFasta(rng);
        writeFile(dir / "plain", text);
        const Read expected = readPath(dir / "plain", rng);
        ASSERT_EQ(expected.error, "");
        ASSERT_FALSE(expected.names.empty());
        const std::size_t half = text.size() / 2;
        for (const std::string& packed : {gzipMember(text), blockGzip(text, 1 + rng() % 200),
                                          gzipMember(text.substr(0, half)) + gzipMember(text.substr(half))}) {
            writeFile(dir / "in.gz", packed);
            Read got = readPath(dir / "in.gz", rng);
            EXPECT_EQ(got.error, "");
            EXPECT_EQ(got.names, expected.names);
            EXPECT_EQ(got.seqs, expected.seqs);
        }
        if (round < 3) {  // standard input, plain and compressed
            for (const std::string& file : {dir / "plain", dir / "in.gz"}) {
                withStdin(file, [&] {
                    Read got = readPath("-", rng);
                    EXPECT_EQ(got.names, expected.names);
                    EXPECT_EQ(got.seqs, expected.seqs);
                });
            }
        }
    }
}

TEST(InputStream, PipeDeliveringOneByteAtATime) {
    const std::string text = ">a\nACGT\n>b\nTT\n";
    for (const std::string& data : {text, gzipMember(text)}) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        std::thread writer([&] {
            for (char c : data) {
                if (::write(fds[1], &c, 1) != 1) break;
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
            ::close(fds[1]);
        });
        OpenedInput opened = openInputFd(fds[0], true, "the pipe");
        EXPECT_EQ(opened.gzip, data != text);
        std::string read(std::istreambuf_iterator<char>(*opened.stream), {});
        writer.join();
        EXPECT_EQ(read, text);
    }
}

TEST(InputStream, DamagedGzipIsAnError) {
    const std::string packed = gzipMember(">a\n" + std::string(5000, 'a') + "\n>b\nCC\n");
    std::string corrupt = packed;
    corrupt[corrupt.size() / 2] ^= 0x55;
    corrupt[corrupt.size() / 2 + 1] ^= 0x2a;
    TempDir dir;
    std::mt19937 rng(1);
    for (const auto& [data, message] : std::vector<std::pair<std::string, std::string>>{
             {packed.substr(0, packed.size() - 12), "the gzip data end early (truncated file?)"},
             {packed.substr(0, 2), "the gzip data end early (truncated file?)"},
             {corrupt, "invalid gzip data"},
         }) {
        writeFile(dir / "bad.gz", data);
        Read r = readPath(dir / "bad.gz", rng);
        EXPECT_EQ(r.error.rfind("the file: " + (dir / "bad.gz") + " is damaged: " + message, 0), 0u) << r.error;
    }
}

TEST(ReadSeqFile, InputThatIsNotFastaIsRefused) {
    const std::string fastq = "@r1\nACGT\n+\nII>I\n@r2\nAC\n+\n>I\n";
    const std::string only = "; only FASTA text, plain or gzip-compressed, can be read";
    const std::string isFastq = " looks like FASTQ (it begins with '@'); FASTQ is not supported, only FASTA";
    const std::string noRecord = " has no FASTA record: no line begins with '>'";
    struct Case {
        std::string content, message;  // message after "the file: PATH"; empty: accepted
    };
    for (const Case& c : std::vector<Case>{
             {fastq, isFastq},
             {"\r\n  " + fastq, isFastq},
             {"@r1\nACGT\n+\nIIII\n", isFastq},
             {gzipMember(fastq), isFastq},
             {std::string("ACGT\0\0\x01", 7), " holds binary data, not FASTA text"},
             {std::string("x>y\n\0", 5), " holds binary data, not FASTA text"},
             {"BZh91AY&SY\x12\x34", " is bzip2-compressed" + only},
             {std::string("\xfd" "7zXZ\0\0\x04", 8), " is xz-compressed" + only},
             {"\x28\xb5\x2f\xfd\x24\x05", " is zstd-compressed" + only},
             {"PK\x03\x04\x14\0", " is a zip archive" + only},
             {gzipMember(gzipMember(">a\nAC\n")), " is gzip-compressed" + only},
             {"hello\nworld\n", noRecord},
             {" >a\nACGT\n", noRecord},
             {"ACGT>", noRecord},
             {"", ""},
             {" \r\n\n\t", ""},
             {"x>a\nAC\n>b\nGG\n", ""},
             {"@comment\n>a\nAC\n", ""},
         }) {
        TempDir dir;
        writeFile(dir / "in", c.content);
        std::mt19937 rng(3);
        Read r = readPath(dir / "in", rng);
        EXPECT_EQ(r.error, c.message.empty() ? "" : "the file: " + (dir / "in") + c.message) << c.content;
    }
    try {  // standard input is named as such
        readSeqFile(std::make_unique<std::istringstream>("plain words"), "-");
        ADD_FAILURE();
    } catch (const InputError& e) {
        EXPECT_EQ(std::string(e.what()), "standard input" + noRecord);
    }
}
