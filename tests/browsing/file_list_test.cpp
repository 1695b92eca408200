// CFileList over real folders: which entries count as folders, and
// listings that append; which names are songs.
#include "panels/file_list.h"
#include "panels/song_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace {

std::vector<std::string> Names(CFileList& list) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < list.GetCount(); ++i)
        names.emplace_back(list.GetAt(i)->GetBuffer());
    std::sort(names.begin(), names.end());
    return names;
}

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.MakeFolder("DATA");
        folder_.MakeFolder("TWICE.MID");
        folder_.WriteFile("SONG.MID", "x");
        folder_.WriteFile("NOTES.TXT", "x");
        std::filesystem::create_directory_symlink("DATA", folder_.Path() / "LINKED");
        std::filesystem::create_symlink("NOWHERE", folder_.Path() / "DANGLING");
        folder_.MakeFolder("SUB/INNER");
        folder_.WriteFile("SUB/FILE.TXT", "x");
    }
    support::ScratchFolder folder_{"nivra-files"};
};

TEST_F(FileListTest, FoldersAreTheEntriesThatLeadToAFolder) {
    support::WorkingDirectory here(folder_.Path());
    CFileList list;
    list.ListFolders(".\\", 1);
    // A link to a folder is a folder; a link to nothing and files are not.
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{".", "..", "DATA", "LINKED", "SUB", "TWICE.MID"}));
}

TEST_F(FileListTest, FoldersOfAnotherFolderAreJudgedThere) {
    support::WorkingDirectory here(folder_.Path());
    CFileList list;
    // INNER does not exist beside SUB, yet it is SUB's folder; FILE.TXT is not.
    list.ListFolders("SUB", 1);
    EXPECT_EQ(Names(list), (std::vector<std::string>{".", "..", "INNER"}));
}

TEST_F(FileListTest, ListingsAppendUnlessToldToClear) {
    support::WorkingDirectory here(folder_.Path());
    CFileList list;
    list.ListFolders(".\\", 1);
    const std::uint32_t folders = list.GetCount();
    list.ListMatching(".\\", "*.TXT", 0);
    ASSERT_EQ(list.GetCount(), folders + 1);
    EXPECT_STREQ(list.GetAt(folders)->GetBuffer(), "NOTES.TXT");
    list.ListMatching(".\\", "*.MID", 1);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"SONG.MID", "TWICE.MID"}));
    // A folder that is not there adds nothing and keeps what is listed.
    list.ListMatching("MISSING\\", "*.*", 0);
    EXPECT_EQ(list.GetCount(), 2u);
}

TEST(SongFiles, EveryKindOfACollectionIsASongWhateverTheCase) {
    for (const char* smf : {"A.MID", "a.mid", "B.Midi", "C.SMF", "karaoke.kar", "x.y.KaR"})
        EXPECT_EQ(SongKindOfName(smf), SongKind::kSmf) << smf;
    for (const char* rcp : {"A.RCP", "b.r36", "C.G18", "d.g36"})
        EXPECT_EQ(SongKindOfName(rcp), SongKind::kRcp) << rcp;
    EXPECT_EQ(SongKindOfName("wrapped.Rmi"), SongKind::kRmid);
    for (const char* other : {"NOTES.TXT", "MID", "A.MIDX", "A.MI", "A.RCP.BAK", "A.", ""})
        EXPECT_FALSE(IsSongName(other)) << other;
    // The list's markers: .MID and .RCP keep theirs, a wrapped file has its own.
    EXPECT_EQ(SongMarker(SongKindOfName("a.kar")), '\xB1');
    EXPECT_EQ(SongMarker(SongKindOfName("a.g36")), '\xB2');
    EXPECT_EQ(SongMarker(SongKind::kRmid), '\xB3');
    EXPECT_EQ(SongMarker(SongKind::kNone), ' ');
}

}  // namespace
