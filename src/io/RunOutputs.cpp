#include "io/RunOutputs.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "common/MessageSink.hpp"
#include "io/AlignmentWriter.hpp"
#include "io/LocWriter.hpp"
#include "io/PafWriter.hpp"
#include "io/SvgWriter.hpp"
#include "io/ScoreWriter.hpp"
#include "io/ViewWriter.hpp"

RunOutputs::RunOutputs(const std::string& alignPath, bool localOnly, const std::string& pafPath,
                       const std::string& plotDir)
    : localOnly_(localOnly),
      alignPath_(alignPath),
      locPath_(alignPath + ".loc"),
      scorePath_(alignPath + ".score"),
      pafPath_(pafPath),
      plotDir_(plotDir) {}

void RunOutputs::addViews(const std::string& viewPath, const std::string& reportPath,
                          RunDescription run, const PositivePairs& positive) {
    viewPath_ = viewPath;
    if (!reportPath.empty()) report_ = std::make_unique<HtmlReport>(reportPath);
    run_ = std::move(run);
    positive_ = positive;
}

std::vector<std::pair<std::ofstream*, const std::string*>> RunOutputs::files() {
    std::vector<std::pair<std::ofstream*, const std::string*>> all;
    if (!localOnly_) all.emplace_back(&align_, &alignPath_);
    all.emplace_back(&loc_, &locPath_);
    all.emplace_back(&score_, &scorePath_);
    if (!pafPath_.empty() && pafPath_ != "-") all.emplace_back(&paf_, &pafPath_);
    if (!viewPath_.empty() && viewPath_ != "-") all.emplace_back(&view_, &viewPath_);
    return all;
}

std::vector<const std::string*> RunOutputs::paths() const {
    std::vector<const std::string*> all;
    if (!localOnly_) all.push_back(&alignPath_);
    all.push_back(&locPath_);
    all.push_back(&scorePath_);
    if (!pafPath_.empty() && pafPath_ != "-") all.push_back(&pafPath_);
    if (!viewPath_.empty() && viewPath_ != "-") all.push_back(&viewPath_);
    if (report_) all.push_back(&report_->path());
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
    if (!plotDir_.empty()) {
        std::error_code error;
        std::filesystem::create_directories(plotDir_, error);
        if (error || !std::filesystem::is_directory(plotDir_)) {
            reason_ = error ? error.message() : std::strerror(ENOTDIR);
            return plotDir_;
        }
    }
    if (report_ && !report_->open(reason_)) return report_->path();
    return "";
}

void RunOutputs::write(const PairAlignment& pair, std::size_t pairNumber) {
    if (pair.skipped) return;
    if (!pafPath_.empty()) {
        std::ostream& out = pafPath_ == "-" ? std::cout : paf_;
        writePaf(out, pair);
        out.flush();
    }
    if (!plotDir_.empty() || !viewPath_.empty() || report_) {
        // Worked out once for the picture, the view and the report; one
        // drawing serves both the picture file and the report.
        const PairFigures figures = pairFigures(pair, positive_);
        const std::string picture = !plotDir_.empty() || report_
                                        ? svgText(pair, SvgOptions{false, &figures})
                                        : std::string();
        if (!plotDir_.empty()) writePicture(pair, pairNumber, picture);
        if (!viewPath_.empty() || report_) writeViews(pair, pairNumber, picture, figures);
    }
    if (!pair.localOnly) {
        writeAlignmentRecord(align_, pair);
        align_.flush();
    }
    writeLocRecord(loc_, pair);
    writeScoreLine(score_, pair);
    score_.flush();
    loc_.flush();
}

void RunOutputs::writeViews(const PairAlignment& pair, std::size_t pairNumber,
                            const std::string& picture, const PairFigures& figures) {
    const std::string view = viewText(pair, pairNumber, run_.command, positive_, figures.tally);
    if (!viewPath_.empty()) {
        std::ostream& out = viewPath_ == "-" ? std::cout : view_;
        out << view;
        out.flush();
    }
    if (report_) report_->add(pair, pairNumber, view, picture, figures);
}

bool RunOutputs::check() {
    bool ok = !picturesFailed_;
    if (report_ && report_->failed()) {
        ok = false;
        if (reported_.insert(report_->path()).second)
            MessageSink::out("can not write output file: " + report_->path());
    }
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
    if (report_) report_->finish(run_);
    for (auto [stream, path] : files())
        if (stream->is_open()) stream->close();
    return check() && ok;
}

void RunOutputs::writePicture(const PairAlignment& pair, std::size_t pairNumber,
                              const std::string& picture) {
    const std::string path =
        (std::filesystem::path(plotDir_) / svgFileName(pairNumber, pair.name1, pair.name2)).string();
    errno = 0;
    std::ofstream file(path, std::ios::out | std::ios::trunc);
    if (file.is_open()) {
        file << kXmlDeclaration << picture;
        file.close();
    }
    if (!file.fail()) return;
    const int error = errno;
    if (reported_.insert(path).second) {
        MessageSink::out("can not write output file: " + path);
        if (error != 0) MessageSink::err(path + ": " + std::strerror(error));
    }
    picturesFailed_ = true;
}
