#include "output/RunOutputs.hpp"

#include <cerrno>
#include <cstring>

#include "common/MessageSink.hpp"
#include "output/AlignmentWriter.hpp"
#include "output/LocWriter.hpp"
#include "output/ScoreWriter.hpp"

RunOutputs::RunOutputs(const std::string& alignPath, bool localOnly)
    : localOnly_(localOnly),
      alignPath_(alignPath),
      locPath_(alignPath + ".loc"),
      scorePath_(alignPath + ".score") {}

std::vector<std::pair<std::ofstream*, const std::string*>> RunOutputs::files() {
    std::vector<std::pair<std::ofstream*, const std::string*>> all;
    if (!localOnly_) all.emplace_back(&align_, &alignPath_);
    all.emplace_back(&loc_, &locPath_);
    all.emplace_back(&score_, &scorePath_);
    return all;
}

std::vector<const std::string*> RunOutputs::paths() const {
    std::vector<const std::string*> all;
    if (!localOnly_) all.push_back(&alignPath_);
    all.push_back(&locPath_);
    all.push_back(&scorePath_);
    return all;
}

std::string RunOutputs::open() {
    for (auto [stream, path] : files()) {
        errno = 0;
        stream->open(*path, std::ios::out | std::ios::trunc);
        if (!stream->is_open()) {
            reason_ = errno != 0 ? std::strerror(errno) : "";
            return *path;
        }
    }
    return "";
}

void RunOutputs::write(const PairAlignment& pair) {
    if (pair.skipped) return;
    if (!pair.localOnly) {
        writeAlignmentRecord(align_, pair);
        align_.flush();
    }
    writeLocRecord(loc_, pair);
    writeScoreLine(score_, pair);
    score_.flush();
    loc_.flush();
}

bool RunOutputs::check() {
    bool ok = true;
    for (auto [stream, path] : files()) {
        if (!stream->fail()) continue;
        ok = false;
        if (reported_.insert(*path).second) {
            const int error = errno;
            MessageSink::out("can not write output file: " + *path);
            if (error != 0) MessageSink::err(*path + ": " + std::strerror(error));
        }
    }
    return ok;
}

bool RunOutputs::close() {
    const bool ok = check();
    for (auto [stream, path] : files())
        if (stream->is_open()) stream->close();
    return check() && ok;
}
