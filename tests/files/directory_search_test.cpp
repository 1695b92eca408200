#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "platform/files.h"
#include "tests/support/scratch_folder.h"

namespace {

std::vector<std::string> Search(const char* spec) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(spec, &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    EXPECT_TRUE(FindClose(search));
    return names;
}

}  // namespace

TEST(DirectorySearch, ListsDotEntriesFirstThenEveryMatch) {
    support::ScratchFolder folder{"nivra-files"};
    folder.WriteFile("SONG.MID", "x");
    folder.WriteFile("song.txt", "x");
    folder.MakeFolder("DATA");
    support::WorkingDirectory inside(folder.Path());
    std::vector<std::string> all = Search(".\\*.*");
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0], ".");
    EXPECT_EQ(all[1], "..");
    EXPECT_EQ(std::set<std::string>(all.begin() + 2, all.end()),
              (std::set<std::string>{"SONG.MID", "song.txt", "DATA"}));
    EXPECT_EQ(Search("*.TXT"), std::vector<std::string>{"song.txt"});
    EXPECT_TRUE(Search(".\\*.RCP").empty());
    EXPECT_EQ(GetFileAttributesA("DATA") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA("SONG.MID") & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(GetFileAttributesA("GONE.MID"), INVALID_FILE_ATTRIBUTES);
}

TEST(DirectorySearch, TheDriveRootHasNoDotEntries) {
    std::vector<std::string> root = Search("C:\\*.*");
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(std::count(root.begin(), root.end(), ".."), 0);
    EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);
}

TEST(DirectorySearch, MissingOrUnreadableFoldersFindNothing) {
    EXPECT_EQ(Search("C:\\no\\such\\folder\\*.*").size(), 0u);
    EXPECT_EQ(Search("Q:\\*.*").size(), 0u);
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}

// Whatever the listing shows must open and enter again.
TEST(DirectorySearch, EveryListedNameOpensAndEntersAgain) {
    support::ScratchFolder folder{"nivra-files"};
    const std::string files[] = {"caf\xC3\xA9.mid",      "\xE6\x9B\xB2.MID",
                                 "\xF0\x9F\x8E\xB5.txt", "bad\xFF.rcp",
                                 "100%41.mid",           std::string(251, 'n') + ".MID"};
    for (const std::string& name : files)
        folder.WriteFile(name, "content");
    folder.MakeFolder(
        "d\xC3\xAF"
        "r");
    support::WorkingDirectory inside(folder.Path());
    int opened = 0, entered = 0;
    for (const std::string& name : Search("*.*")) {
        if (name == "." || name == "..")
            continue;
        DWORD attributes = GetFileAttributesA(name.c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << name;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            ASSERT_TRUE(SetCurrentDirectoryA(name.c_str())) << name;
            ASSERT_TRUE(SetCurrentDirectoryA("..\\"));
            ++entered;
        } else {
            FILE* file = platform::OpenFile(name.c_str(), "rb");
            ASSERT_NE(file, nullptr) << name;
            std::fclose(file);
            ++opened;
        }
    }
    EXPECT_EQ(opened, 6);
    EXPECT_EQ(entered, 1);
}

TEST(DirectorySearch, OpeningIgnoresCaseLikeWin32) {
    support::ScratchFolder folder{"nivra-files"};
    folder.WriteFile("SONG.TXT", "text");
    support::WorkingDirectory inside(folder.Path());
    FILE* file = platform::OpenFile("SONG.txt", "rb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(platform::OpenFile("OTHER.txt", "rb"), nullptr);
}

TEST(CurrentDirectory, ReadsInDriveLetterFormAndStopsAtTheRoot) {
    support::ScratchFolder folder{"nivra-files"};
    folder.MakeFolder("sub");
    support::WorkingDirectory inside(folder.Path());
    char path[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    ASSERT_GT(length, 3u);
    EXPECT_EQ(std::strlen(path), length);
    EXPECT_EQ(path[1], ':');
    EXPECT_EQ(path[2], '\\');
    EXPECT_EQ(std::strchr(path, '/'), nullptr);
    EXPECT_EQ(GetCurrentDirectoryA(2, path), length + 1);  // too small: the size needed

    ASSERT_TRUE(SetCurrentDirectoryA("sub"));
    ASSERT_TRUE(SetCurrentDirectoryA("..\\"));
    EXPECT_EQ(std::filesystem::current_path(), folder.Path());
    EXPECT_FALSE(SetCurrentDirectoryA("missing"));
    EXPECT_FALSE(SetCurrentDirectoryA("Q:\\"));

    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    ASSERT_TRUE(SetCurrentDirectoryA("..\\..\\"));
    ASSERT_EQ(GetCurrentDirectoryA(sizeof path, path), 3u);
    EXPECT_STREQ(path, "C:\\");
}

TEST(SplitPath, SplitsDriveFolderNameAndExtension) {
    char drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath("C:\\MY.SONGS\\TRACK", drive, dir, name, ext);
    EXPECT_STREQ(drive, "C:");
    EXPECT_STREQ(dir, "\\MY.SONGS\\");
    EXPECT_STREQ(name, "TRACK");
    EXPECT_STREQ(ext, "");
    _splitpath("a.b.mid", nullptr, dir, name, ext);
    EXPECT_STREQ(dir, "");
    EXPECT_STREQ(name, "a.b");
    EXPECT_STREQ(ext, ".mid");
    // "\x83\x5C" is one character whose trail byte is a backslash.
    _splitpath("\x83\x5C.MID", nullptr, dir, name, ext);
    EXPECT_STREQ(dir, "");
    EXPECT_STREQ(name, "\x83\x5C");
}

TEST(CurrentDirectory, AFolderDeletedWhileCurrentCanStillBeLeft) {
    support::ScratchFolder folder{"nivra-files"};
    folder.MakeFolder("doomed/deeper");
    support::WorkingDirectory outside(folder.Path());
    ASSERT_TRUE(SetCurrentDirectoryA("doomed"));
    std::filesystem::remove_all(folder.Path() / "doomed");
    char path[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof path, path), 0u);  // it has no name now
    EXPECT_FALSE(SetCurrentDirectoryA("deeper"));
    EXPECT_FALSE(SetCurrentDirectoryA("\\missing"));
    ASSERT_TRUE(SetCurrentDirectoryA("..\\"));
    EXPECT_EQ(std::filesystem::current_path(), folder.Path());
}

TEST(DirectorySearch, ShortenedLongNamesOpenAndEnterAgain) {
    support::ScratchFolder folder{"nivra-files"};
    const std::string hangul = "\xEA\xB0\x80";
    std::string long_song, long_folder;
    for (int i = 0; i < 83; ++i)
        long_song += hangul;
    long_folder = long_song.substr(0, 240) + "\xF0\x9F\x8E\xB5";
    long_song += ".mid";
    folder.WriteFile(long_song, "song bytes");
    folder.MakeFolder(long_folder);
    folder.WriteFile(long_folder + "/INSIDE.TXT", "inside");
    support::WorkingDirectory inside(folder.Path());

    std::vector<std::string> names = Search("*.*");
    ASSERT_EQ(names.size(), 4u);  // ".", "..", the song, the folder
    for (const std::string& name : names) {
        if (name == "." || name == "..")
            continue;
        EXPECT_TRUE(platform::IsShortAlias(name)) << name;
        EXPECT_EQ(Search(name.c_str()), std::vector<std::string>{name});
        if (name.ends_with(".mid")) {
            FILE* file = platform::OpenFile(name.c_str(), "rb");
            ASSERT_NE(file, nullptr) << name;
            char bytes[16] = {};
            EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 10u);
            std::fclose(file);
            continue;
        }
        ASSERT_TRUE(SetCurrentDirectoryA(name.c_str()));
        EXPECT_EQ(std::filesystem::current_path(), folder.Path() / long_folder);
        char path[MAX_PATH];
        ASSERT_GT(GetCurrentDirectoryA(sizeof path, path), 0u);
        EXPECT_TRUE(std::string(path).ends_with("\\" + name));
        // The program's full path of the folder leads back there too.
        ASSERT_TRUE(SetCurrentDirectoryA("..\\"));
        ASSERT_TRUE(SetCurrentDirectoryA(path));
        EXPECT_EQ(std::filesystem::current_path(), folder.Path() / long_folder);
        EXPECT_EQ(Search("*.TXT"), std::vector<std::string>{"INSIDE.TXT"});
    }
}
