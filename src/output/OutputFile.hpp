#pragma once

#include <sys/types.h>

#include <ostream>
#include <string>

#include "output/DescriptorBuf.hpp"

// One output file of a run: where its data end up and how they get there.
// A regular file (or one a link leads to, dangling or not) is written under a
// temporary name beside its target, cut to fit the folder's longest name; a
// stream (a path that names one of the process's descriptors, anything under
// /dev or /proc, a character device, a FIFO) is written directly, through the
// process's own descriptor where the path names one.
struct OutputFile {
    std::string path;          // as given
    std::string target;        // the file that gets the data (where links lead)
    std::string temp;          // the temporary file, "" when written directly
    int fd = -1;
    int handed = -1;           // the process's descriptor it writes to, or -1
    bool closedEarly = false;  // the stream's reader went away
    DescriptorBuf buf;
    std::ostream stream{&buf};

    bool isOpen() const { return fd >= 0; }
    // Opens the temporary file (with `newMode` when the target is new), or
    // the stream itself; false with errno set.
    bool open(mode_t newMode);
    // Flushes and closes; false with errno set when either fails.
    bool close();
    // Where a failed run keeps the data: "TARGET.partial", or the temporary
    // name when that would not fit.
    std::string partial() const;

    // The three ends of a temporary file; each does nothing for a file
    // written directly, and leaves `temp` "".
    // The run ended well: the temporary file takes the target's place. On
    // failure (errno set) it is kept as partial() instead.
    bool commit();
    // The run failed after writing: closes and keeps the data as partial()
    // (or under the temporary name when that rename fails); returns where
    // they are, "" when written directly.
    std::string keepPartial();
    // The run failed before writing: closes and removes the temporary file.
    void discard();

private:
    void resolve(bool& isStream);
    bool openStream(bool regular);
};

// The folder of `path` ("." for a bare name).
std::string directoryOf(const std::string& path);

// The permissions a new file gets from the process's umask.
mode_t newFileMode();
