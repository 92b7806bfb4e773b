#include <unistd.h>

#include <random>
#include <thread>

#include "TestSupport.hpp"
#include "input/InputStream.hpp"
#include "input/FastaReader.hpp"

using namespace testsupport;

namespace {

// The records as "name\nsequence\n" each, taken a few at a time, or the
// message of the InputError that stopped the reading.
std::string readPath(const std::string& path, std::mt19937& rng) {
    std::vector<std::string> names, seqs;
    try {
        FastaReader reader = FastaReader::open(path);
        while (reader.readRecords(names, seqs, 1 + static_cast<int>(rng() % 3)) > 0) {
        }
    } catch (const InputError& e) {
        return e.what();
    }
    std::string records;
    for (std::size_t k = 0; k < names.size(); ++k) records += names[k] + "\n" + seqs[k] + "\n";
    return records;
}

std::string randomFasta(std::mt19937& rng) {
    // A line beginning with '@' before the first record does not make it FASTQ.
    std::string text = rng() % 2 ? "@preamble text\r\n\n" : "";
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

}  // namespace

// One member, two members, and small members ending with an empty one, the
// way block-compressing tools write files.
TEST(InputStream, GzipMembersAndPlainGiveTheSameRecords) {
    std::mt19937 rng(11);
    TempDir dir;
    for (int round = 0; round < 30; ++round) {
        const std::string text = randomFasta(rng);
        writeFile(dir / "plain", text);
        const std::string expected = readPath(dir / "plain", rng);
        ASSERT_EQ(expected.rfind("the file: ", 0), std::string::npos) << expected;
        const std::size_t half = text.size() / 2, block = 1 + rng() % 200;
        std::string blocks;
        for (std::size_t at = 0; at < text.size(); at += block) blocks += gzipped(text.substr(at, block));
        for (const std::string& packed : {gzipped(text), blocks + gzipped(""),
                                          gzipped(text.substr(0, half)) + gzipped(text.substr(half))}) {
            writeFile(dir / "in.gz", packed);
            EXPECT_EQ(readPath(dir / "in.gz", rng), expected);
        }
    }
}

// Standard input as a pipe that hands over one byte at a time, so that even
// the two bytes telling gzip from plain text arrive separately.
TEST(InputStream, StandardInputPipeDeliveringOneByteAtATime) {
    const std::string text = ">a\nACGT\n>b\nTT\n";
    for (const std::string& data : {text, gzipped(text)}) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const int savedStdin = ::dup(STDIN_FILENO);
        ::dup2(fds[0], STDIN_FILENO);
        ::close(fds[0]);
        std::thread writer([&] {
            for (char c : data) {
                if (::write(fds[1], &c, 1) != 1) break;
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
            ::close(fds[1]);
        });
        OpenedInput opened = openInput("-");
        std::string read(std::istreambuf_iterator<char>(*opened.stream), {});
        writer.join();
        ::dup2(savedStdin, STDIN_FILENO);
        ::close(savedStdin);
        EXPECT_EQ(read, text);
    }
}

TEST(FastaReader, UnreadableInputIsRefusedWithTheReason) {
    const std::string fastq = "@r1\nACGT\n+\nII>I\n@r2\nAC\n+\n>I\n";
    const std::string only = "; only FASTA text, plain or gzip-compressed, can be read";
    const std::string isFastq = " looks like FASTQ (it begins with '@'); FASTQ is not supported, only FASTA";
    const std::string noRecord = " has no FASTA record: no line begins with '>'";
    const std::string packed = gzipped(">a\n" + std::string(5000, 'a') + "\n>b\nCC\n");
    std::string badCheck = packed;
    badCheck[badCheck.size() - 8] ^= 0x55;  // the CRC of the data
    TempDir dir;
    std::mt19937 rng(3);
    // The contents, and the messages after "the file: PATH".
    for (const auto& [content, message] : std::vector<std::pair<std::string, std::string>>{
             {fastq, isFastq},
             {"\r\n  " + fastq, isFastq},
             {"@r1\nACGT\n+\nIIII\n", isFastq},
             {gzipped(fastq), isFastq},
             {std::string("ACGT\0\0\x01", 7), " holds binary data, not FASTA text"},
             {std::string("x>y\n\0", 5), " holds binary data (a NUL byte) in record 1 (y); only FASTA text can be read"},
             {std::string("\0>y\nAC\n>z\nGT\n", 13), " holds binary data, not FASTA text"},
             {std::string(">a\nAC\n>b\nG\0T\n", 13), " holds binary data (a NUL byte) in record 2 (b); only FASTA text can be read"},
             {"BZh91AY&SY\x12\x34", " is bzip2-compressed" + only},
             {std::string("\xfd" "7zXZ\0\0\x04", 8), " is xz-compressed" + only},
             {"\x28\xb5\x2f\xfd\x24\x05", " is zstd-compressed" + only},
             {"PK\x03\x04\x14\0", " is a zip archive" + only},
             {gzipped(gzipped(">a\nAC\n")), " is gzip-compressed" + only},
             {packed.substr(0, packed.size() - 12), " is damaged: the gzip data end early (truncated file?)"},
             {badCheck, " is damaged: invalid gzip data (incorrect data check)"},
             {"hello\nworld\n", noRecord},
             {" >a\nACGT\n", noRecord},
             {"ACGT>", noRecord},
         }) {
        writeFile(dir / "in", content);
        EXPECT_EQ(readPath(dir / "in", rng), "the file: " + (dir / "in") + message) << content;
    }
    try {  // standard input is named as such
        FastaReader(std::make_unique<std::istringstream>("plain words"), "-");
        ADD_FAILURE();
    } catch (const InputError& e) {
        EXPECT_EQ(std::string(e.what()), "standard input" + noRecord);
    }
}
