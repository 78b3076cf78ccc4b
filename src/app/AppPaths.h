#ifndef TRAKMOOR_APP_APPPATHS_H
#define TRAKMOOR_APP_APPPATHS_H

// Where the program finds what lies beside it: pictures, translation catalogues and the default
// map.  The folder of the executable comes first (data/ beside it in the build folder, then
// ../share/trakmoor and ../share/locale when installed), so the program works from wherever it
// is started; paths relative to the working directory follow.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace trakmoor {

// The folder holding the executable (SDL's base path), if the system can tell.
std::optional<std::filesystem::path> executableFolder();

// "data/<relative>" beside the executable or "../share/trakmoor/<relative>" from it, the first
// that exists, else "data/<relative>" relative to the working directory.
std::string dataFile(const std::string& relative);

// The folders tried for the "trakmoor" catalogues, best first.  `exeFolder` is the executable's
// folder and `argument0` the program path as started (either may be missing).
std::vector<std::filesystem::path>
localizationCandidates(const std::optional<std::filesystem::path>& exeFolder,
                       const char* argument0);
// Sets the locale from the environment and binds the "trakmoor" text domain to the first
// existing candidate folder, making it the default domain.  Returns that folder, which holds the
// toolkit's catalogues too.
std::optional<std::filesystem::path> initLocalization(const char* argument0);

// The map files tried when none is named on the command line, in order.
std::vector<std::filesystem::path>
defaultMapCandidates(const std::optional<std::filesystem::path>& exeFolder);
// The first candidate that is a regular file, as UTF-8 text.
std::optional<std::string> findDefaultMap(const std::vector<std::filesystem::path>& candidates);

// Whether the path names a regular file (not a folder, not a device); errors count as no.
bool isRegularFile(const std::filesystem::path& path);

// The path as UTF-8 text for display and messages.
std::string pathText(const std::filesystem::path& path);
// The last component of a path given as text ("tour.gpx" for "/tracks/tour.gpx").
std::string fileNamePart(const std::string& path);
// The working directory as UTF-8 text; empty when it cannot be told (it was removed).
std::string workingDirectoryText();
// The folder that holds the file at `path` when that folder exists, else `fallback`.
std::string folderOfFileOr(const std::string& path, const std::string& fallback);

} // namespace trakmoor

#endif
