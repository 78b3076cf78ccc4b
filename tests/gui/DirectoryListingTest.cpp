// Directory listing and drive discovery of the file dialog, against real directories.

#include "gui/GuiDirectoryListing.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> names(const DirListing& listing) {
    std::vector<std::string> out;
    for (const DirEntry& e : listing.entries) {
        out.push_back(e.isDirectory ? "[" + e.name + "]" : e.name);
    }
    return out;
}

TEST(DirectoryListing, LinksAreResolvedAndDanglingOnesSkipped) {
    TempDir tmp;
    const fs::path target = tmp.dir("real");
    fs::create_directory_symlink(target, tmp.path() / "linked");
    fs::create_symlink(tmp.path() / "nowhere.gpx", tmp.path() / "dangling.gpx");
    fs::create_symlink(tmp.file("t.gpx"), tmp.path() / "alias.gpx");
    EXPECT_EQ(names(listDirectory(tmp.path(), {".gpx"})),
              (std::vector<std::string>{"[..]", "[linked]", "[real]", "alias.gpx", "t.gpx"}));
}

TEST(DirectoryListing, FilterComparesWholeExtensionIgnoringCase) {
    const std::vector<std::string> filters{".gpx", ".OSM"};
    struct Case {
        const char* name;
        bool matches;
    };
    const Case cases[] = {{"a.GpX", true}, {"map.osm", true},   {"a.gpx2", false},
                          {"gpx", false},  {"a.tar.gpx", true}, {"a.gpx.txt", false}};
    for (const Case& c : cases) {
        EXPECT_EQ(matchesFilter(c.name, filters), c.matches) << c.name;
    }
    EXPECT_TRUE(matchesFilter("anything", {}));
}

TEST(DriveList, RootHomeThenExistingVolumesUnderTheUsualPlaces) {
    const std::string table = "sysfs /sys sysfs rw 0 0\n"
                              "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
                              "/dev/sdc1 /mnt/gone ext4 rw 0 0\n"
                              "/dev/sdd1 /run/media/anna/CAMERA vfat rw 0 0\n"
                              "/dev/sde1 /run/media/bob/DISK vfat rw 0 0\n"
                              "/dev/sdf1 /mnt ext4 rw 0 0\n"
                              "/dev/sdb1 /media/usb\\040stick vfat rw 0 0\n"
                              "garbage\n";
    auto exists = [](const std::string& path) { return path != "/mnt/gone"; };
    EXPECT_EQ(listDrives(table, "/home/anna", "anna", exists),
              (std::vector<std::string>{"/", "/home/anna", "/media/usb stick",
                                        "/run/media/anna/CAMERA"}));
    EXPECT_EQ(listDrives("", "", "", exists), (std::vector<std::string>{"/"}));
}

} // namespace
