// The shared library as the player loads it: by name, through its three entry points.
#include <dlfcn.h>

#include <algorithm>
#include <memory>
#include <thread>

#include "midi/rcp_converter.h"
#include "rcpcv/rcpcv.h"
#include "tests/rcpcv/conversion_helpers.h"

namespace rcpcv_test {
namespace {

class SharedLibrary : public testing::Test {
protected:
    void SetUp() override {
        module_.reset(dlopen(NIVRA_BINARY_DIR "/librcpcv.so", RTLD_NOW | RTLD_LOCAL));
        ASSERT_NE(module_, nullptr) << dlerror();
        convert_ = reinterpret_cast<RcpcvConvertFileFromBufferProc>(
            dlsym(module_.get(), "rcpcvConvertFileFromBuffer"));
        get_smf_ = reinterpret_cast<RcpcvGetSMFProc>(dlsym(module_.get(), "rcpcvGetSMF"));
        delete_ =
            reinterpret_cast<RcpcvDeleteObjectProc>(dlsym(module_.get(), "rcpcvDeleteObject"));
        ASSERT_TRUE(convert_ && get_smf_ && delete_);
    }

    struct Closer {
        void operator()(void* module) const { dlclose(module); }
    };
    std::unique_ptr<void, Closer> module_;
    RcpcvConvertFileFromBufferProc convert_ = nullptr;
    RcpcvGetSMFProc get_smf_ = nullptr;
    RcpcvDeleteObjectProc delete_ = nullptr;
};

std::vector<uint8_t> SmallSong() {
    RcpFileBuilder::Track track;
    track.records = {{0x3C, 0x30, 0x18, 0x64}, {0xFE, 0, 0, 0}};
    return RcpFileBuilder().Title("SONG").AddTrack(track).Build();
}

TEST_F(SharedLibrary, HandleOwnsItsDataUntilDeleted) {
    std::vector<uint8_t> song = SmallSong();
    RcpcvHandle first = convert_(song.data(), static_cast<uint32_t>(song.size()), 0, 0, 0, 0, 0);
    RcpcvHandle second = convert_(song.data(), static_cast<uint32_t>(song.size()), 0, 0, 0, 0, 0);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    auto data = static_cast<const uint8_t*>(get_smf_(first));
    ASSERT_NE(data, nullptr);
    SmfFile smf = ReadSmf(data, 4096);
    EXPECT_EQ(smf.division, 48);
    ASSERT_EQ(smf.tracks.size(), 2u);
    EXPECT_EQ(Timeline(smf.tracks[1]),
              (std::vector<Timed>{{0, {0x90, 0x3C, 0x64}}, {24, {0x90, 0x3C, 0x00}}}));

    delete_(first);
    EXPECT_EQ(get_smf_(first), nullptr);
    EXPECT_NE(get_smf_(second), nullptr);  // other conversions are untouched
    delete_(first);                        // a second delete is harmless
    delete_(second);
    delete_(0);
    EXPECT_EQ(get_smf_(0), nullptr);
}

// The player asks for the marked conversion with its own copy of the flag.
static_assert(CRcpConverter::MARK_ENDLESS_LOOP == RCPCV_FLAG_MARK_ENDLESS_LOOP);

TEST_F(SharedLibrary, TheLoopFlagMarksAnEndlessLoopsStart) {
    RcpFileBuilder::Track track;
    track.records = {{0xF9, 0, 0, 0}, {0x3C, 0x30, 0x18, 0x64}, {0xF8, 0, 0, 0}, {0xFE, 0, 0, 0}};
    std::vector<uint8_t> song = RcpFileBuilder().AddTrack(track).Build();
    RcpcvHandle handle = convert_(song.data(), static_cast<uint32_t>(song.size()),
                                  RCPCV_FLAG_MARK_ENDLESS_LOOP, 0, 0, 0, 0);
    ASSERT_NE(handle, 0u);
    SmfFile smf = ReadSmf(static_cast<const uint8_t*>(get_smf_(handle)), 4096);
    EXPECT_EQ(Timeline(smf.tracks.at(0)), (std::vector<Timed>{{0, {0xB0, 0x6F, 0x00}}}));
    delete_(handle);
}

TEST_F(SharedLibrary, RefusalsGiveTheZeroHandle) {
    std::vector<uint8_t> song = SmallSong();
    EXPECT_EQ(convert_(nullptr, 100, 0, 0, 0, 0, 0), 0u);
    EXPECT_EQ(convert_(song.data(), 0, 0, 0, 0, 0, 0), 0u);
    EXPECT_EQ(convert_(song.data(), 100, 0, 0, 0, 0, 0), 0u);  // header cut short
    const char smf_data[] = "MThd\0\0\0\6\0\1\0\1\0\x30";
    EXPECT_EQ(convert_(smf_data, sizeof smf_data, 0, 0, 0, 0, 0), 0u);
}

TEST_F(SharedLibrary, ConversionsFromSeveralThreadsGetTheirOwnHandles) {
    std::vector<uint8_t> song = SmallSong();
    std::vector<RcpcvHandle> handles(4 * 50);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                handles[t * 50 + i] =
                    convert_(song.data(), static_cast<uint32_t>(song.size()), 0, 0, 0, 0, 0);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::sort(handles.begin(), handles.end());
    EXPECT_EQ(std::adjacent_find(handles.begin(), handles.end()), handles.end());
    EXPECT_NE(handles.front(), 0u);
    for (RcpcvHandle handle : handles) {
        delete_(handle);
    }
}

}  // namespace
}  // namespace rcpcv_test
