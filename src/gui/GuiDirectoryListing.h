#ifndef TRAKMOOR_GUI_GUIDIRECTORYLISTING_H
#define TRAKMOOR_GUI_GUIDIRECTORYLISTING_H

// What the file dialog shows, computed apart from its controls: the entries of one directory in
// display order, and the places offered as drives.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct DirEntry {
    std::string name; // UTF-8 for display; malformed bytes shown as U+FFFD
    bool isDirectory = false;
    std::filesystem::path nativeName; // the name as the file system has it, to open the entry
};

struct DirListing {
    bool readable = false;
    std::vector<DirEntry> entries;
};

// Lists `dir`: ".." first unless `dir` is a root, then the directories, then the files whose
// extension matches one of `filters` (any file when there are none), each group in byte order of
// the names.  Names that are empty or start with "." are left out.
DirListing listDirectory(const std::filesystem::path& dir, const std::vector<std::string>& filters);

// True if the extension of `name` (with its dot) equals one of the filters, ignoring ASCII case.
bool matchesFilter(std::string_view name, const std::vector<std::string>& filters);

// The places of the drive box: "/", the home folder, then the mount points listed in
// `mountTable` (the format of /proc/self/mounts) under /media, /mnt and /run/media/USER that
// `isDirectory` confirms (a mount point may have gone since the table was read).
std::vector<std::string> listDrives(std::string_view mountTable, const std::string& home,
                                    const std::string& user,
                                    const std::function<bool(const std::string&)>& isDirectory);
// The same for this system.
std::vector<std::string> systemDrives();

// Path text for display and messages.
std::string displayPath(const std::filesystem::path& path);

#endif
