#ifndef TRAKMOOR_TESTS_GUI_TEMPDIR_H
#define TRAKMOOR_TESTS_GUI_TEMPDIR_H

// A fresh directory under the system's temporary folder, removed with everything in it.

#include <filesystem>
#include <fstream>
#include <string>

#include <stdlib.h>

class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "trakmoor-gui-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::filesystem::filesystem_error(
                "mkdtemp", std::error_code(errno, std::generic_category()));
        }
        path_ = std::filesystem::canonical(pattern);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::filesystem::path& name,
                               const std::string& content = "x") const {
        const auto p = path_ / name;
        std::ofstream(p) << content;
        return p;
    }
    std::filesystem::path dir(const std::filesystem::path& name) const {
        const auto p = path_ / name;
        std::filesystem::create_directories(p);
        return p;
    }

private:
    std::filesystem::path path_;
};

#endif
