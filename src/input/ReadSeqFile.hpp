#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "common/MessageSink.hpp"

// Reads FASTA records one after another, on demand, strictly in file order.
// A record is a '>', the header (rest of that line) and the sequence (the
// following lines up to the next line beginning with '>', joined). Text
// before the first '>' is skipped. One '\r' ending a line is dropped.
class readSeqFile {
public:
    std::string fileName;
    std::ifstream in;

    // Opens `path`; if it does not open, prints "the file: PATH can not be
    // opened" to standard error and stops the run (RunStop{1}).
    explicit readSeqFile(const char* path);

    // Reads up to n further records, appending headers to `names` and
    // sequences to `seqs`; returns the number appended (0 ... n).
    int next_seq(std::vector<std::string>& names, std::vector<std::string>& seqs, int n);

    // Records started so far (every '>' consumed as a record start).
    long recordsStarted() const { return records_; }

    // Warnings about the records read (an empty header) are kept here, to be
    // printed with the pair they belong to, instead of being printed at once.
    void keepNotes(Messages* notes) { notes_ = notes; }

private:
    void note(Message message);

    long records_ = 0;
    Messages* notes_ = nullptr;
};
