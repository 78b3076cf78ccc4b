#include "gui/GuiDirectoryListing.h"

#include "gui/GuiGlyphs.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string displayPath(const fs::path& path) {
    return sanitizeUtf8(path.native());
}

bool matchesFilter(std::string_view name, const std::vector<std::string>& filters) {
    if (filters.empty()) {
        return true;
    }
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    // Filters are name endings, so that two-part ones such as ".osm.pbf" work; a hidden file
    // that is nothing but the ending does not match.
    return std::any_of(filters.begin(), filters.end(), [&](const std::string& filter) {
        return name.size() > filter.size() &&
               std::equal(filter.begin(), filter.end(), name.end() - filter.size(),
                          [&](char a, char b) { return lower(a) == lower(b); });
    });
}

DirListing listDirectory(const fs::path& dir, const std::vector<std::string>& filters) {
    DirListing listing;
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) {
        return listing;
    }
    listing.readable = true;

    std::vector<DirEntry> directories;
    std::vector<DirEntry> files;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        const fs::path nativeName = it->path().filename();
        const std::string& raw = nativeName.native();
        if (raw.empty() || raw.front() == '.') {
            continue;
        }
        // The entry's type comes from the directory read itself where the file system gives
        // it; only links (and file systems that do not tell) cost a stat.
        std::error_code typeError;
        bool isDirectory = false;
        if (it->is_symlink(typeError) || typeError) {
            const fs::file_type target = fs::status(it->path(), typeError).type();
            if (typeError || target == fs::file_type::not_found) {
                continue;
            }
            isDirectory = target == fs::file_type::directory;
        } else {
            isDirectory = it->is_directory(typeError);
            if (typeError) {
                continue;
            }
        }
        DirEntry entry{sanitizeUtf8(raw), isDirectory, nativeName};
        if (entry.isDirectory) {
            directories.push_back(std::move(entry));
        } else if (matchesFilter(raw, filters)) {
            files.push_back(std::move(entry));
        }
    }
    // A directory that fails part-way is shown with what could be read.

    auto byName = [](const DirEntry& a, const DirEntry& b) {
        return a.nativeName.native() < b.nativeName.native();
    };
    std::sort(directories.begin(), directories.end(), byName);
    std::sort(files.begin(), files.end(), byName);

    listing.entries.reserve(directories.size() + files.size() + 1);
    if (dir.has_relative_path()) {
        listing.entries.push_back({"..", true, ".."});
    }
    std::move(directories.begin(), directories.end(), std::back_inserter(listing.entries));
    std::move(files.begin(), files.end(), std::back_inserter(listing.entries));
    return listing;
}

namespace {

// Mount tables escape blanks, tabs, newlines and backslashes as three octal digits.
std::string unescapeMountPath(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 +
                                         (digits[2] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() > prefix.size() && text.substr(0, prefix.size()) == prefix;
}

} // namespace

std::vector<std::string> listDrives(std::string_view mountTable, const std::string& home,
                                    const std::string& user,
                                    const std::function<bool(const std::string&)>& isDirectory) {
    std::vector<std::string> drives{"/"};
    if (!home.empty() && home != "/") {
        drives.push_back(home);
    }
    std::vector<std::string> prefixes{"/media/", "/mnt/"};
    if (!user.empty()) {
        prefixes.push_back("/run/media/" + user + "/");
    }
    std::istringstream lines{std::string(mountTable)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device;
        std::string mountPoint;
        if (!(fields >> device >> mountPoint)) {
            continue;
        }
        const std::string path = unescapeMountPath(mountPoint);
        const bool wanted = std::any_of(prefixes.begin(), prefixes.end(),
                                        [&](const std::string& p) { return startsWith(path, p); });
        if (wanted && isDirectory(path) &&
            std::find(drives.begin(), drives.end(), path) == drives.end()) {
            drives.push_back(path);
        }
    }
    return drives;
}

std::vector<std::string> systemDrives() {
    std::string home;
    std::string user;
    if (const char* h = std::getenv("HOME"); h != nullptr) {
        home = h;
    }
    if (const char* u = std::getenv("USER"); u != nullptr) {
        user = u;
    }
    if (home.empty() || user.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw != nullptr) {
            if (home.empty() && pw->pw_dir != nullptr) {
                home = pw->pw_dir;
            }
            if (user.empty() && pw->pw_name != nullptr) {
                user = pw->pw_name;
            }
        }
    }
    std::ifstream mounts("/proc/self/mounts");
    std::stringstream table;
    if (mounts) {
        table << mounts.rdbuf();
    }
    return listDrives(table.str(), home, user, [](const std::string& path) {
        std::error_code ec;
        return fs::is_directory(path, ec);
    });
}
