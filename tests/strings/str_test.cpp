#include "gfx/str.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <string>

namespace {

// Two Shift-JIS double-byte characters ("日本") and three ASCII letters.
const char kMixedText[] =
    "\x93\xFA\x96\x7B"
    "abc";

TEST(CStrTest, NeverAssignedStringIsEmptyAndEqualsNothing) {
    CStr text;
    EXPECT_EQ(text.GetBuffer(), nullptr);
    EXPECT_EQ(text.GetLength(), 0u);
    EXPECT_EQ(text.GetCharCount(), 0u);
    EXPECT_EQ(text.GetCapacity(), 0u);
    EXPECT_EQ(text.Equals(""), 0);
}

TEST(CStrTest, BlocksGrowInStepsOf64AndAreReused) {
    CStr text;
    text = "a";
    EXPECT_EQ(text.GetCapacity(), 64u);
    text = std::string(63, 'x').c_str();  // 64 bytes with the terminator
    EXPECT_EQ(text.GetCapacity(), 64u);
    text = std::string(64, 'y').c_str();  // 65 bytes
    EXPECT_EQ(text.GetCapacity(), 128u);
    const char* block = text.GetBuffer();
    text = "0123456789";
    EXPECT_EQ(text.GetCapacity(), 128u);
    EXPECT_EQ(text.GetBuffer(), block);
    EXPECT_EQ(text.Equals("0123456789"), 1);
    EXPECT_EQ(text.Equals("0123456789x"), 0);
    EXPECT_EQ(text.Equals("0123456788"), 0);
}

TEST(CStrTest, CountsShiftJisPairsAsOneCharacter) {
    CStr text;
    text = kMixedText;
    EXPECT_EQ(text.GetLength(), 7u);
    EXPECT_EQ(text.GetCharCount(), 5u);

    // A lead byte right before the terminator counts alone and ends the text.
    text = "ab\x82";
    EXPECT_EQ(text.GetCharCount(), 3u);
    // A trail byte may look like ASCII (0x5C, the backslash): still one pair.
    text = "\x95\x5C\x5C";
    EXPECT_EQ(text.GetCharCount(), 2u);
}

TEST(CStrTest, AssignFromNullOrUnreadableThrowsZeroAndKeepsText) {
    CStr text;
    text = "kept";
    EXPECT_THROW(
        {
            try {
                text.Assign(nullptr);
            } catch (int code) {
                EXPECT_EQ(code, 0);
                throw;
            }
        },
        int);
    long page = sysconf(_SC_PAGESIZE);
    void* guard = mmap(nullptr, page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(guard, MAP_FAILED);
    EXPECT_THROW(text.Assign(static_cast<const char*>(guard)), int);
    munmap(guard, page);
    EXPECT_EQ(text.Equals("kept"), 1);
}

TEST(CStrTest, CopiesAreIndependentAndSelfAssignmentIsSafe) {
    CStr original;
    original = "first";
    CStr copy(original);
    original = "second";
    EXPECT_EQ(copy.Equals("first"), 1);
    EXPECT_NE(copy.GetBuffer(), original.GetBuffer());

    original = original.GetBuffer() + 2;  // from inside its own block
    EXPECT_EQ(original.Equals("cond"), 1);

    CStr moved(std::move(original));
    EXPECT_EQ(moved.Equals("cond"), 1);
}

TEST(CStrTest, LoadStringFillsAtLeastTheAskedSize) {
    CStr text;
    EXPECT_EQ(text.LoadString(4, 256), 1);
    EXPECT_EQ(text.GetCapacity(), 256u);
    // "内部の初期化処理に失敗しました"
    EXPECT_EQ(text.Equals("\x93\xE0\x95\x94\x82\xCC\x8F\x89\x8A\xFA\x89\xBB\x8F\x88\x97\x9D\x82\xC9"
                          "\x8E\xB8\x94s\x82\xB5"
                          "\x82\xDC\x82\xB5\x82\xBD"),
              1);
    EXPECT_EQ(text.GetCharCount(), 15u);

    EXPECT_EQ(text.LoadString(2, 10), 0);  // no string 2
    EXPECT_EQ(text.GetLength(), 0u);
}

}  // namespace
