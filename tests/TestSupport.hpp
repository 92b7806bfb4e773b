#pragma once
// Helpers shared by the tests: temporary directories, files, argument
// vectors, gzip data, shell commands, and calls with standard output and
// error captured.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/RunStop.hpp"

namespace testsupport {
namespace fs = std::filesystem;

class TempDir {  // a fresh directory, removed again
public:
    TempDir() : path_((fs::temp_directory_path() / "torva-test-XXXXXX").string()) {
        if (::mkdtemp(path_.data()) == nullptr) throw std::runtime_error("mkdtemp");
    }
    ~TempDir() { std::error_code ec; fs::remove_all(path_, ec); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline bool exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

// One gzip member holding `data`.
inline std::string gzipped(const std::string& data) {
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
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

// The exit status of a shell command, -1 when it did not exit.
inline int shell(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

struct Args {  // a mutable argv
    std::vector<std::string> store;
    std::vector<char*> ptrs;
    explicit Args(std::vector<std::string> a) : store(std::move(a)) {
        for (auto& s : store) ptrs.push_back(s.data());
        ptrs.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(store.size()); }
    char** argv() { return ptrs.data(); }
};

struct Captured {
    int status = -1;  // f's result, or the status of the RunStop it threw
    std::string out, err;
};
inline Captured capture(const std::function<int()>& f) {
    Captured c;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    try {
        c.status = f();
    } catch (const RunStop& stop) {
        c.status = stop.status;
    }
    c.out = testing::internal::GetCapturedStdout();
    c.err = testing::internal::GetCapturedStderr();
    return c;
}

}  // namespace testsupport
