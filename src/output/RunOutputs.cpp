#include "output/RunOutputs.hpp"

#include "common/MessageSink.hpp"
#include "output/AlignmentWriter.hpp"
#include "output/LocWriter.hpp"
#include "output/ScoreWriter.hpp"

RunOutputs::RunOutputs(const std::string& alignPath)
    : alignPath_(alignPath), locPath_(alignPath + ".loc"), scorePath_(alignPath + ".score") {}

std::string RunOutputs::open() {
    for (auto [stream, path] : {std::pair{&align_, &alignPath_}, std::pair{&loc_, &locPath_},
                                std::pair{&score_, &scorePath_}}) {
        stream->open(*path, std::ios::out | std::ios::trunc);
        if (!stream->is_open()) return *path;
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
    for (auto [stream, path] : {std::pair{&align_, &alignPath_}, std::pair{&loc_, &locPath_},
                                std::pair{&score_, &scorePath_}}) {
        if (!stream->fail()) continue;
        ok = false;
        if (reported_.insert(*path).second) MessageSink::out("can not write output file: " + *path);
    }
    return ok;
}

bool RunOutputs::close() {
    const bool ok = check();
    for (std::ofstream* stream : {&align_, &loc_, &score_})
        if (stream->is_open()) stream->close();
    return check() && ok;
}
