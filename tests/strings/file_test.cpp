#include "gfx/file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/scratch_folder.h"

namespace {

TEST(CFileTest, ModeStringFollowsTheFlagOrder) {
    EXPECT_EQ(CFile::ModeString(FILE_READ | FILE_BINARY), "rb");
    EXPECT_EQ(CFile::ModeString(FILE_WRITE | FILE_TRUNCATE | FILE_BINARY), "wb");
    EXPECT_EQ(CFile::ModeString(FILE_WRITE), "a");
    EXPECT_EQ(CFile::ModeString(FILE_READ | FILE_TEXT), "rt");
    EXPECT_EQ(CFile::ModeString(FILE_TRUNCATE), "");
}

class CFileOnDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder.Path().empty());
        native_path = folder.WriteFile("file.bin", "0123456789").string();
        program_path = "C:" + native_path;
        for (char& c : program_path)
            if (c == '/')
                c = '\\';
    }

    support::ScratchFolder folder{"nivra-cfile"};
    std::string native_path;
    std::string program_path;  // the drive-letter form the program passes
};

TEST_F(CFileOnDiskTest, ReadsSeeksAndReportsPosition) {
    CFile file;
    ASSERT_EQ(file.Open(program_path.c_str(), FILE_READ | FILE_BINARY), 1);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer), "0123");
    EXPECT_EQ(file.GetPosition(), 4u);
    EXPECT_EQ(file.SeekToEnd(), 0);
    EXPECT_EQ(file.GetPosition(), 10u);
    EXPECT_EQ(file.Read(buffer, 4), 0u);
    EXPECT_EQ(file.SeekToBegin(), 0);
    EXPECT_EQ(file.Read(buffer, 16), 10u);
}

TEST_F(CFileOnDiskTest, AppendsWithoutTruncatingAndTruncatesWhenAsked) {
    {
        CFile file;
        ASSERT_EQ(file.Open(program_path.c_str(), FILE_WRITE | FILE_BINARY), 1);
        file.Write("ab", 2);
    }
    struct stat info {};
    stat(native_path.c_str(), &info);
    EXPECT_EQ(info.st_size, 12);
    {
        CFile file;
        ASSERT_EQ(file.Open(program_path.c_str(), FILE_WRITE | FILE_TRUNCATE | FILE_BINARY), 1);
        file.Write("xyz", 3);
    }
    stat(native_path.c_str(), &info);
    EXPECT_EQ(info.st_size, 3);
}

TEST_F(CFileOnDiskTest, ClosedFileDoesNothingAndClosesOnce) {
    CFile file;
    char buffer[4];
    EXPECT_EQ(file.Read(buffer, 4), 0u);
    EXPECT_EQ(file.Seek(0, SEEK_END), 0);
    EXPECT_EQ(file.GetPosition(), 0u);
    file.Write("x", 1);
    file.Close();

    ASSERT_EQ(file.Open(program_path.c_str(), FILE_READ), 1);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    file.Close();  // a second close (and the destructor) must not close again
    EXPECT_EQ(file.Read(buffer, 4), 0u);
}

TEST(CFileMissingTest, FailedOpenLeavesNothingOpen) {
    CFile file;
    EXPECT_EQ(file.Open("C:\\nonexistent-folder-of-nivra\\song.mid", FILE_READ | FILE_BINARY), 0);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Open(nullptr, FILE_READ), 0);
    EXPECT_EQ(file.Open("C:\\tmp", FILE_BINARY), 0);  // no r, w or a
}

}  // namespace
