#include "input/ReadSeqFile.hpp"

#include <sys/stat.h>

#include <string>

#include "common/MessageSink.hpp"
#include "common/RunStop.hpp"

namespace {

// One '\r' directly before the line feed (or ending the file) is dropped.
void dropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

bool isDirectory(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

readSeqFile::readSeqFile(const char* path) : fileName(path ? path : "") {
    // A directory opens as a stream on Linux but cannot be read.
    if (path && !isDirectory(path)) in.open(path);
    if (!in.is_open()) {
        MessageSink::err("the file: " + fileName + " can not be opened");
        throw RunStop{1};
    }
}

int readSeqFile::next_seq(std::vector<std::string>& names, std::vector<std::string>& seqs,
                          int n) {
    if (!in.is_open()) {
        MessageSink::err("There is not open file");
        return 0;
    }
    int count = 0;
    std::string line;
    while (count < n && !in.eof()) {
        // Search for the next record start, character by character.
        char c = 'a';
        while (c != '>' && in.get(c)) {
        }
        if (c != '>') break;  // end of file
        ++records_;

        std::string header;
        std::getline(in, header);
        dropCarriageReturn(header);
        if (header.empty()) {
            note(errLine("warning: record " + std::to_string(records_) +
                         " has an empty header; it is kept with an empty name"));
        }

        std::string seq;
        for (;;) {
            int next = in.peek();
            if (next == std::char_traits<char>::eof() || next == '>') break;
            std::getline(in, line);
            dropCarriageReturn(line);
            seq += line;
        }
        names.push_back(std::move(header));
        seqs.push_back(std::move(seq));
        ++count;
    }
    return count;
}

void readSeqFile::note(Message message) {
    if (notes_) {
        notes_->push_back(std::move(message));
    } else {
        MessageSink::emit(message);
    }
}
