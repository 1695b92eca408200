// Small files by their Linux path: the bounded read and the replacement that
// leaves the old file or the new one, never a part of either.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/files.h"
#include "tests/support/nivra_process.h"

namespace {

namespace fs = std::filesystem;
using platform::SmallFileRead;

TEST(SmallFile, ReadsWholeFilesUpToTheLimitAndSaysWhyNot) {
    support::ScratchFolder folder{"nivra-small-file"};
    std::string bytes, error;
    EXPECT_EQ(platform::ReadSmallFile((folder / "none").string(), 8, bytes, &error),
              SmallFileRead::kMissing);
    folder.WriteFile("eight", std::string("a=\0\r\nb=1", 8));
    EXPECT_EQ(platform::ReadSmallFile((folder / "eight").string(), 8, bytes, &error),
              SmallFileRead::kRead);
    EXPECT_EQ(bytes, std::string("a=\0\r\nb=1", 8));
    EXPECT_EQ(platform::ReadSmallFile((folder / "eight").string(), 7, bytes, &error),
              SmallFileRead::kTooLarge);
    EXPECT_EQ(error, "larger than 7 bytes");
    EXPECT_EQ(bytes, "");
    folder.MakeFolder("sub");
    EXPECT_EQ(platform::ReadSmallFile((folder / "sub").string(), 8, bytes, &error),
              SmallFileRead::kUnreadable);
    EXPECT_EQ(error, "a folder, not a file");
    // A named pipe neither blocks the read nor counts as a file.
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(platform::ReadSmallFile((folder / "pipe").string(), 8, bytes, &error),
              SmallFileRead::kUnreadable);
}

TEST(SmallFile, ReplacementMakesFoldersKeepsModeAndLinksAndLeavesNothingElse) {
    support::ScratchFolder folder{"nivra-small-file"};
    std::string error;
    // Missing folders are made, private to the user.
    const fs::path file = folder / "a/b/nivra.conf";
    ASSERT_TRUE(platform::ReplaceFileAtomically(file.string(), "one\n", &error)) << error;
    EXPECT_EQ(e2e::ReadWholeFile(file), "one\n");
    EXPECT_EQ(fs::status(folder / "a").permissions(), fs::perms::owner_all);

    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(platform::ReplaceFileAtomically(file.string(), "two\n", &error)) << error;
    EXPECT_EQ(e2e::ReadWholeFile(file), "two\n");
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    // Only the file: no temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1);

    // A link to a file kept elsewhere stays a link; the file it names changes.
    const fs::path link = folder / "link.conf";
    fs::create_symlink(file, link);
    ASSERT_TRUE(platform::ReplaceFileAtomically(link.string(), "three\n", &error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(e2e::ReadWholeFile(file), "three\n");
}

TEST(SmallFile, ARefusedReplacementSaysWhyAndChangesNothing) {
    support::ScratchFolder folder{"nivra-small-file"};
    std::string error;
    // A file where a folder should be.
    folder.WriteFile("plain", "x");
    EXPECT_FALSE(
        platform::ReplaceFileAtomically((folder / "plain/nivra.conf").string(), "y", &error));
    EXPECT_NE(error.find("plain"), std::string::npos) << error;
    // A folder or a pipe (or a device) where the file should be: nothing
    // replaces it, nothing is left beside it.
    folder.MakeFolder("taken.conf");
    ASSERT_EQ(mkfifo((folder / "pipe.conf").c_str(), 0600), 0);
    for (const char* name : {"taken.conf", "pipe.conf"}) {
        EXPECT_FALSE(platform::ReplaceFileAtomically((folder / name).string(), "y", &error));
        EXPECT_EQ(error, (folder / name).string() + " is not a regular file");
    }
    EXPECT_TRUE(fs::is_directory(folder / "taken.conf"));
    EXPECT_TRUE(fs::is_fifo(folder / "pipe.conf"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 3);
}

}  // namespace
