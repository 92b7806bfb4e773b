#pragma once

#include <sys/types.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The folder of a run's pictures, ended as an OutputFile is: the pictures
// wait in a temporary folder inside it ("pictures.partial-XXXXXX") and take
// their names only when the run ends well, so a symbolic link already under a
// picture's name is replaced, never followed, and a run that fails changes no
// earlier picture. Folders made for it are noted, so that a run that fails
// before its first pair leaves none behind.
class PictureFolder {
public:
    explicit PictureFolder(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    // Makes the folder (and those above it that are missing) and the
    // temporary folder inside it; new pictures get `newMode`. False with
    // errno set.
    bool open(mode_t newMode);
    // Writes one picture, whole, under `name`; false with errno set, the
    // picture not kept.
    bool write(const std::string& name, std::initializer_list<std::string_view> pieces);
    // Each picture takes its name; returns the pictures that could not, with
    // the system's error.
    std::vector<std::pair<std::string, int>> commit();
    // The run failed after writing: the temporary folder becomes
    // "pictures.partial" (replacing only an empty one). Returns where the
    // pictures are, "" when there are none.
    std::string keepPartial();
    // The run failed before writing: the pictures and the folders made go.
    void discard();

    // What keepPartial() and discard() would do, for a signal handler that
    // must do it itself: (temporary folder, "pictures.partial") when open,
    // and the folders to remove, innermost first.
    std::vector<std::pair<std::string, std::string>> partialRenames() const;
    std::vector<std::string> madeFolders() const;

private:
    std::string partialPath() const;

    std::string path_;
    mode_t mode_ = 0644;                    // the permissions the umask gives a new picture
    std::string temp_;                      // the folder the pictures wait in
    std::vector<std::string> pictures_;     // their names, in the order written
    std::vector<std::string> madeFolders_;  // made for the folder, innermost last
};
