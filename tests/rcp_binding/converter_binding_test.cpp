// The converter binding: without its library, with a library lacking an
// export, and with a stand-in library that converts, found the way the
// player finds its converter (rcpcv.dll as librcpcv.so beside the program).
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "midi/midi_format.h"
#include "midi/rcp_converter.h"
#include "tests/midi/engine_fixture.h"

using namespace song_bytes;

namespace {

const std::string kBindingDir = RCP_BINDING_DIR;
constexpr char kRcp3Signature[] = "COME ON MUSIC RECOMPOSER RCP3.0";

Bytes RcpData(const char* signature, std::size_t size, const char* tail = "") {
    Bytes out(signature, signature + std::strlen(signature) + 1);
    out.resize(size - std::strlen(tail), 0x20);
    out.insert(out.end(), tail, tail + std::strlen(tail));
    return out;
}

// The counters a stand-in library keeps, read through its own handle.
class LibraryCounters {
public:
    explicit LibraryCounters(const std::string& path)
        : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {}
    ~LibraryCounters() {
        if (handle_ != nullptr)
            dlclose(handle_);
    }
    bool Loaded() const { return handle_ != nullptr; }
    int Get(const char* name) const {
        auto query = reinterpret_cast<int (*)()>(dlsym(handle_, name));
        return query != nullptr ? query() : -1;
    }

private:
    void* handle_;
};

class ConverterBindingTest : public EngineTest {
protected:
    bool OpenWith(CRcpConverter& converter, const Bytes& data, const char* name = "song.rcp") {
        sequencer->SetConverter(&converter);
        file = std::make_unique<TempFile>(data, name);
        return PlayerOpen(file->Path());
    }
};

const Bytes kSmfSong = Song(96, {Concat({{0x00, 0xFF, 0x03, 3, 'S', 'M', 'F'}, kEndOfTrack})});

TEST(DetectMidiFormat, NewerRcpSignatureIsRcpOnlyWhenComplete) {
    EXPECT_EQ(DetectMidiFormat(kRcp3Signature, sizeof kRcp3Signature), MIDIFORMAT_RCP);
    EXPECT_EQ(DetectMidiFormat(kRcp3Signature, sizeof kRcp3Signature - 1), MIDIFORMAT_RCP);
    // A file cut inside the signature, or one that only shares its start.
    EXPECT_EQ(DetectMidiFormat(kRcp3Signature, sizeof kRcp3Signature - 2), MIDIFORMAT_UNKNOWN);
    EXPECT_EQ(DetectMidiFormat("COME ON MUSIC RECOMPOSER RCP2.0", 31), MIDIFORMAT_UNKNOWN);
    EXPECT_EQ(DetectMidiFormat("COME", 4), MIDIFORMAT_UNKNOWN);
}

TEST_F(ConverterBindingTest, WithoutTheLibraryRcpFailsAndSmfStillLoads) {
    CRcpConverter missing((kBindingDir + "/no_such_folder/rcpcv.dll").c_str());
    EXPECT_FALSE(missing.IsLoaded());
    const Bytes rcp = RcpData("RCM-PC98V2.0(C)", 2000);
    EXPECT_EQ(missing.ConvertToSmf(rcp.data(), static_cast<std::uint32_t>(rcp.size()), 0), nullptr);

    ASSERT_TRUE(OpenWith(missing, kSmfSong, "song.mid"));
    EXPECT_STREQ(sequencer->GetTitle(), "SMF");
    EXPECT_FALSE(OpenWith(missing, rcp));
    EXPECT_FALSE(PlayerIsLoaded());
    EXPECT_EQ(sequencer->GetTrackCount(), 0);
    EXPECT_STREQ(sequencer->GetTitle(), "SMF");  // failed before the title scan
}

TEST_F(ConverterBindingTest, LibraryWithoutAnExportIsAFailedConversion) {
    const std::string path = kBindingDir + "/libincomplete_rcpcv.so";
    CRcpConverter incomplete(path.c_str());
    ASSERT_TRUE(incomplete.IsLoaded());
    LibraryCounters counters(path);
    ASSERT_TRUE(counters.Loaded());

    const Bytes rcp = RcpData("RCM-PC98V2.0(C)", 2000);
    EXPECT_EQ(incomplete.ConvertToSmf(rcp.data(), static_cast<std::uint32_t>(rcp.size()), 0),
              nullptr);
    EXPECT_FALSE(OpenWith(incomplete, rcp));
    EXPECT_FALSE(PlayerIsLoaded());
    // Nothing was left converted inside the library.
    EXPECT_EQ(counters.Get("testcvLiveObjects"), 0);
}

TEST_F(ConverterBindingTest, DefaultLookupFindsTheLibraryBesideTheProgramAndTheSongPlays) {
    CRcpConverter& converter = GetRcpConverter();
    ASSERT_TRUE(converter.IsLoaded()) << "librcpcv.so expected in " << kBindingDir;
    LibraryCounters counters(kBindingDir + "/librcpcv.so");
    ASSERT_TRUE(counters.Loaded()) << "the binding loaded some other librcpcv.so";

    const Bytes rcp = RcpData("RCM-PC98V2.0(C)", 1234);
    ASSERT_TRUE(OpenWith(converter, rcp));
    EXPECT_EQ(counters.Get("testcvBadArguments"), 0);
    EXPECT_EQ(counters.Get("testcvLastSize"), 1234);
    EXPECT_STREQ(sequencer->GetTitle(), "CONVERTED");
    EXPECT_EQ(sequencer->GetDivision(), 96);

    PlayerPlay();
    Periods(1100);
    // Velocity 35 = 1234 % 100 + 1: the whole file reached the library.
    EXPECT_THAT(SongMessages(), ::testing::ElementsAre("90 3C 23", "80 3C 00"));
    EXPECT_FALSE(PlayerIsPlaying());
    EXPECT_TRUE(PlayerIsLoaded());

    // With loops off the plain conversion is asked for; in a loop mode, the
    // one that marks an endless loop.
    EXPECT_EQ(counters.Get("testcvLastFlags"), 0);
    sequencer->SetLoopSettings({LoopMode::kForever});
    ASSERT_TRUE(OpenWith(converter, rcp));
    EXPECT_EQ(counters.Get("testcvLastFlags"), static_cast<int>(CRcpConverter::MARK_ENDLESS_LOOP));
    EXPECT_EQ(counters.Get("testcvBadArguments"), 0);
}

TEST_F(ConverterBindingTest, EachConversionDeletesThePreviousObjectFirst) {
    CRcpConverter& converter = GetRcpConverter();
    LibraryCounters counters(kBindingDir + "/librcpcv.so");
    ASSERT_TRUE(counters.Loaded());
    const int calls_before = counters.Get("testcvConvertCalls");

    ASSERT_TRUE(OpenWith(converter, RcpData("RCM-PC98V2.0(C)", 600)));
    ASSERT_TRUE(OpenWith(converter, RcpData("RCM-PC98V2.0(C)", 700)));
    EXPECT_EQ(counters.Get("testcvLiveObjects"), 1);
    // A conversion that fails still deleted the object before it: none is left.
    ASSERT_TRUE(OpenWith(converter, kSmfSong, "song.mid"));
    EXPECT_FALSE(OpenWith(converter, RcpData("RCM-PC98V2.0(C)", 800, "FAIL")));
    EXPECT_EQ(counters.Get("testcvLiveObjects"), 0);
    EXPECT_STREQ(sequencer->GetTitle(), "SMF");
    EXPECT_EQ(counters.Get("testcvConvertCalls"), calls_before + 3);

    // Data without an RCP signature never reach the library.
    const Bytes other = RcpData("RIFF", 600);
    EXPECT_EQ(converter.ConvertToSmf(other.data(), static_cast<std::uint32_t>(other.size()), 0),
              nullptr);
    EXPECT_EQ(converter.ConvertToSmf(other.data(), 0, 0), nullptr);
    EXPECT_EQ(counters.Get("testcvConvertCalls"), calls_before + 3);
}

TEST_F(ConverterBindingTest, NewerRcpLayoutIsRoutedToTheConverter) {
    CRcpConverter& converter = GetRcpConverter();
    LibraryCounters counters(kBindingDir + "/librcpcv.so");
    ASSERT_TRUE(counters.Loaded());
    const int calls_before = counters.Get("testcvConvertCalls");

    ASSERT_TRUE(OpenWith(converter, RcpData(kRcp3Signature, 3300), "song.g36"));
    EXPECT_EQ(counters.Get("testcvConvertCalls"), calls_before + 1);
    EXPECT_STREQ(sequencer->GetTitle(), "CONVERTED");
}

}  // namespace
