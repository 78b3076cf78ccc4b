#ifndef TRAKMOOR_TESTS_GUI_TEMPDIR_H
#define TRAKMOOR_TESTS_GUI_TEMPDIR_H

// A fresh directory under the system's temporary folder, removed with everything in it.

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <stdlib.h>

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "trakmoor-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary directory");
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
    std::filesystem::path file(const std::filesystem::path& name) const {
        std::ofstream(path_ / name) << "x";
        return path_ / name;
    }
    std::filesystem::path dir(const std::filesystem::path& name) const {
        std::filesystem::create_directories(path_ / name);
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

#endif
