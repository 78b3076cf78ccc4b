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

TEST(DirectoryListing, FoldersFirstThenFilteredFilesInByteOrderHiddenLeftOut) {
    TempDir tmp;
    tmp.file("b.GPX");
    tmp.file("a.gpx");
    tmp.file("notes.txt");
    tmp.file(".hidden.gpx");
    tmp.dir("Tracks");
    tmp.dir(".config");
    tmp.file("Z.gpx");
    tmp.file("gpx"); // no extension at all
    const DirListing listing = listDirectory(tmp.path(), {".gpx"});
    ASSERT_TRUE(listing.readable);
    EXPECT_EQ(names(listing),
              (std::vector<std::string>{"[..]", "[Tracks]", "Z.gpx", "a.gpx", "b.GPX"}));

    const DirListing all = listDirectory(tmp.path(), {});
    EXPECT_EQ(names(all), (std::vector<std::string>{"[..]", "[Tracks]", "Z.gpx", "a.gpx", "b.GPX",
                                                    "gpx", "notes.txt"}));
}

TEST(DirectoryListing, RootHasNoParentEntry) {
    const DirListing root = listDirectory("/", {});
    ASSERT_TRUE(root.readable);
    EXPECT_TRUE(std::none_of(root.entries.begin(), root.entries.end(),
                             [](const DirEntry& e) { return e.name == ".."; }));
}

TEST(DirectoryListing, MissingDirectoryOrPlainFileIsNotReadable) {
    TempDir tmp;
    EXPECT_FALSE(listDirectory(tmp.path() / "gone", {}).readable);
    EXPECT_FALSE(listDirectory(tmp.file("plain.gpx"), {}).readable);
    const fs::path vanished = tmp.dir("vanished");
    fs::remove(vanished);
    EXPECT_FALSE(listDirectory(vanished, {}).readable);
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

TEST(DirectoryListing, OddNamesAreShownSafelyAndKeepTheirBytes) {
    TempDir tmp;
    const std::string latin1 = "caf\xE9.gpx"; // not UTF-8
    tmp.file(latin1);
    tmp.file("say \"hi\"\\ \nnow.gpx");
    tmp.file(std::string(200, 'n') + ".gpx");
    const DirListing listing = listDirectory(tmp.path(), {".GPX"});
    ASSERT_EQ(listing.entries.size(), 4u);
    const auto cafe = std::find_if(listing.entries.begin(), listing.entries.end(),
                                   [](const DirEntry& e) { return e.name.starts_with("caf"); });
    ASSERT_NE(cafe, listing.entries.end());
    EXPECT_EQ(cafe->name, "caf\xEF\xBF\xBD.gpx");
    EXPECT_EQ(cafe->nativeName.native(), latin1);
    EXPECT_TRUE(fs::exists(tmp.path() / cafe->nativeName));
}

TEST(DirectoryListing, FilterComparesWholeExtensionIgnoringCase) {
    const std::vector<std::string> filters{".gpx", ".OSM"};
    struct Case {
        const char* name;
        bool matches;
    };
    const Case cases[] = {{"a.gpx", true},     {"a.GpX", true},     {"map.osm", true},
                          {"a.gpx2", false},   {"a.px", false},     {"gpx", false},
                          {"a.tar.gpx", true}, {"a.gpx.txt", false}};
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

TEST(DriveList, SystemListStartsAtTheRoot) {
    const auto drives = systemDrives();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives[0], "/");
}

} // namespace
