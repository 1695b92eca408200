// Song length, seek with chase, tempo factor, transpose, mute and solo and
// SMPTE time, with hand-fired periods (1 period = 1 ms on the manual clock).
#include <map>
#include <sstream>
#include <tuple>

#include "engine_fixture.h"
#include "midi/channel_monitor.h"

using namespace song_bytes;

using ::testing::ElementsAre;

namespace {

constexpr const char* kSystemOn = "F0 7E 7F 09 01 F7";
constexpr const char* kGsReset = "F0 41 10 42 12 40 00 7F 00 41 F7";

std::vector<std::uint8_t> Hex(const std::string& text) {
    std::vector<std::uint8_t> out;
    std::istringstream in(text);
    std::string byte;
    while (in >> byte)
        out.push_back(static_cast<std::uint8_t>(std::stoi(byte, nullptr, 16)));
    return out;
}

// What a device is left set to by a sequence of messages: the reference the
// chase is measured against.
struct DeviceState {
    std::vector<std::string> sysex;  // since the last reset
    std::map<std::pair<int, int>, int> controllers;
    // (channel, RPN or NRPN number, 6 or 38) to the data entered.
    std::map<std::tuple<int, int, int>, int> parameters;
    std::map<int, std::pair<int, int>> programs;  // bank at the change, program
    std::map<int, int> bends, pressures;

    void Apply(const std::string& text) {
        const auto m = Hex(text);
        if (m.empty() || m[0] < 0x80)
            return;
        if (m[0] == 0xF0) {
            if (text == kSystemOn || text == kGsReset)
                *this = DeviceState{};
            sysex.push_back(text);
            return;
        }
        const int ch = m[0] & 0x0F;
        auto control = [&](int number) {
            auto found = controllers.find({ch, number});
            return found == controllers.end() ? 0x7F : found->second;
        };
        switch (m[0] & 0xF0) {
            case 0xB0:
                if (m[1] == 6 || m[1] == 38) {
                    const bool nrpn = nrpnMode[ch];
                    const int number = nrpn ? 0x4000 | control(99) << 7 | control(98)
                                            : control(101) << 7 | control(100);
                    parameters[{ch, number, m[1]}] = m[2];
                } else {
                    if (m[1] >= 98 && m[1] <= 101)
                        nrpnMode[ch] = m[1] <= 99;
                    controllers[{ch, m[1]}] = m[2];
                }
                break;
            case 0xC0:
                programs[ch] = {control(0) << 7 | control(32), m[1]};
                break;
            case 0xD0:
                pressures[ch] = m[1];
                break;
            case 0xE0:
                bends[ch] = m[2] << 7 | m[1];
                break;
        }
    }
    bool operator==(const DeviceState& o) const {
        return sysex == o.sysex && controllers == o.controllers && parameters == o.parameters &&
               programs == o.programs && bends == o.bends && pressures == o.pressures;
    }
    std::map<int, bool> nrpnMode;
};

// Program, bank, volume and pan the channel monitor shows for `channel`.
std::vector<int> MonitorOf(int channel) {
    const ChannelInfo* info = GetChannelMonitor().GetChannelInfo(channel);
    return {info->program, info->bank, info->volume, info->pan};
}

using Timed = std::vector<std::pair<std::string, std::int64_t>>;

class TransportTest : public EngineTest {
protected:
    // Messages received after `from_us` on the clock, with their times from it.
    Timed After(std::uint64_t from_us) const {
        Timed out;
        for (const auto& e : recording->Entries())
            if (e.time_us > from_us && e.text.size() > 2 && e.text[2] == ' ')
                out.push_back({e.text, static_cast<std::int64_t>(e.time_us - from_us)});
        return out;
    }
    // The period (ms after the start message) each note-on was sent in.
    std::vector<std::int64_t> NoteOnTimes() const {
        std::vector<std::int64_t> times;
        std::uint64_t start = 0;
        for (const auto& e : recording->Entries()) {
            if (e.text == kSystemOn)
                start = e.time_us;
            else if (e.text.rfind("90 ", 0) == 0)
                times.push_back(static_cast<std::int64_t>((e.time_us - start) / 1000));
        }
        return times;
    }
};

// Tempo 500,000 then 250,000 at tick 960, division 480: tick 960 is at
// 1000 ms and each tick after it lasts 0.52083 ms.
Bytes ChaseSong() {
    Bytes conductor = Events().Tempo(0, 500000).Tempo(960, 250000).End(3840);
    Bytes part =
        Events()
            .At(0, {0xC0, 0x07})  // undone by the GS reset
            .At(10, {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7})
            .At(10, {0xB0, 0x00, 0x02})
            .At(0, {0x20, 0x01})
            .At(0, {0xC0, 0x05})
            .At(0, {0xB0, 0x07, 0x64})
            .At(0, {0x0A, 0x20})
            .At(0, {0x65, 0x00})  // RPN 0: pitch-bend range 12
            .At(0, {0x64, 0x00})
            .At(0, {0x06, 0x0C})
            .At(0, {0x65, 0x7F})  // the null RPN after it
            .At(0, {0x64, 0x7F})
            .At(0, {0xE0, 0x00, 0x50})
            .At(0, {0xD0, 0x30})
            .At(0, {0xB0, 0x01, 0x40})
            .At(80, {0x90, 0x3C, 0x64})
            .At(100, {0xB0, 0x07, 0x50})
            .At(100, {0x80, 0x3C, 0x00})
            .At(100, {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x02, 0x0D, 0xF7})
            .At(0, {0xB0, 0x00, 0x03})    // a bank with no program after it
            .At(800, {0x90, 0x40, 0x50})  // sounding at the target
            .At(600, {0x80, 0x40, 0x00})
            .At(200, {0x90, 0x43, 0x50})
            .At(100, {0x80, 0x43, 0x00})
            .End(0);
    Bytes drums = Events()
                      .At(0, {0xC8, 0x01})  // undone by the GS reset
                      .At(20, {0xC9, 0x10})
                      .At(10, {0xB9, 0x63, 0x01})  // NRPN 01 20 = 64
                      .At(0, {0x62, 0x20})
                      .At(0, {0x06, 0x40})
                      .At(0, {0x5B, 0x28})
                      .At(470, {0x99, 0x24, 0x64})
                      .At(100, {0x89, 0x24, 0x00})
                      .End(0);
    return Song(480, {conductor, part, drums});
}

TEST_F(TransportTest, LengthFollowsTheTempoMapToTheLastEndOfTrack) {
    // Track 0 ends at 750 ms (500 ms at 500,000, 250 ms at 250,000); track 1's
    // end at tick 384 comes at 1250 ms; track 2 ends early, before the others' notes.
    Bytes conductor = Events().Tempo(0, 500000).Tempo(96, 250000).End(96);
    Bytes notes = Events().At(0, {0x90, 0x3C, 0x64}).At(384, {0x80, 0x3C, 0x00}).End();
    Bytes early = Events().At(5, {0x91, 0x30, 0x40}).End(5);
    ASSERT_TRUE(Open(Song(96, {conductor, notes, early})));
    EXPECT_EQ(sequencer->GetSongLengthMs(), 1250);
    PlayerPlay();
    Periods(1250);
    EXPECT_TRUE(PlayerIsPlaying());
    EXPECT_EQ(SongMessages().size(), 2u);
    Periods(1);  // the last End of Track and the note-off at 1250 ms
    EXPECT_EQ(SongMessages().back(), "80 3C 00");
    Periods(1);
    EXPECT_FALSE(PlayerIsPlaying());
    EXPECT_EQ(PlayerGetPlayTime(), 1251u);

    // Damaged songs: a track without its end stops where its data run out,
    // a division of 0 never moves; neither hangs the measure.
    ASSERT_TRUE(Open(Song(1000, {Events().At(40, {0x90, 0x3C, 0x64}).End(10), {0x00, 0x90}})));
    EXPECT_EQ(sequencer->GetSongLengthMs(), 0);
    ASSERT_TRUE(Open(Song(1000, {Bytes{0x64, 0x90, 0x3C, 0x64}})));
    EXPECT_EQ(sequencer->GetSongLengthMs(), 100);
    ASSERT_TRUE(Open(Song(0, {Events().At(0, {0x90, 0x3C, 0x64}).End(10)})));
    EXPECT_EQ(sequencer->GetSongLengthMs(), 0);  // the note at tick 0 goes out, then nothing
    PlayerClose();
    EXPECT_EQ(sequencer->GetSongLengthMs(), 0);
}

TEST_F(TransportTest, SeekInsideAtAndPastTheEnd) {
    // Notes at 0, 100 and 200 ms, the end at 300 ms.
    const Bytes song = Song(1000, {Events()
                                       .At(0, {0x90, 0x30, 0x40})
                                       .At(100, {0x90, 0x31, 0x40})
                                       .At(100, {0x90, 0x32, 0x40})
                                       .End(100)});
    OpenAndPlay(song);
    EXPECT_EQ(sequencer->GetSongLengthMs(), 300);
    Periods(10);
    recording->Clear();
    sequencer->SeekMs(150);
    EXPECT_THAT(Messages(), ElementsAre(kSystemOn));  // after the reset; no state to chase
    EXPECT_EQ(Count("reset"), 1);
    EXPECT_EQ(PlayerGetPlayTime(), 150u);
    Periods(50);
    EXPECT_THAT(SongMessages(), ElementsAre());
    Periods(1);
    EXPECT_THAT(SongMessages(), ElementsAre("90 32 40"));

    sequencer->SeekMs(-20);  // before the start: the start
    EXPECT_EQ(PlayerGetPlayTime(), 0u);
    Periods(1);
    EXPECT_EQ(SongMessages().back(), "90 30 40");

    // Paused: stays paused at the new place.
    PlayerPause();
    sequencer->SeekMs(250);
    EXPECT_TRUE(PlayerIsPaused());
    Periods(100);
    EXPECT_EQ(PlayerGetPlayTime(), 250u);
    PlayerPlay();
    Periods(51);
    EXPECT_TRUE(PlayerIsPlaying());
    Periods(1);
    EXPECT_FALSE(PlayerIsPlaying());
    EXPECT_EQ(PlayerGetPlayTime(), 301u);

    // At and past the end the song ends as by itself, also from the ended state.
    for (std::int64_t target : {300, 1'000'000}) {
        SCOPED_TRACE(target);
        sequencer->SeekMs(target);
        EXPECT_TRUE(PlayerIsPlaying());
        Periods(2);
        EXPECT_FALSE(PlayerIsPlaying());
        EXPECT_EQ(PlayerGetPlayTime(), 301u);
    }
    // With repeat it starts again.
    PlayerSetRepeat(true);
    sequencer->SeekMs(5000);
    Periods(3);
    EXPECT_TRUE(PlayerIsPlaying());
    EXPECT_EQ(PlayerGetPlayTime(), 1u);
    EXPECT_EQ(SongMessages().back(), "90 30 40");

    // A stopped song has no place to go to.
    PlayerStop();
    recording->Clear();
    sequencer->SeekMs(100);
    EXPECT_TRUE(recording->Entries().empty());
}

TEST_F(TransportTest, ChaseLeavesWhatAPlayToTheTargetLeaves) {
    constexpr unsigned kTarget = 1300;
    const Bytes song = ChaseSong();

    // The reference: the song played to the target.
    OpenAndPlay(song);
    const std::uint64_t start_us = recording->Entries().back().time_us;
    Periods(kTarget);
    DeviceState played;
    for (const auto& message : Messages())
        played.Apply(message);
    const std::vector<int> monitor_played = MonitorOf(0);
    Periods(1000);
    const Timed played_after = After(start_us + kTarget * 1000);

    // The same song, jumped to the target from later in it.
    recording->Clear();
    OpenAndPlay(song);
    Periods(2000);
    recording->Clear();
    sequencer->SeekMs(kTarget);
    const std::uint64_t seek_us = recording->Entries().back().time_us;
    EXPECT_EQ(Count("reset"), 1);  // silences what sounded
    const std::vector<std::string> chase = Messages();
    EXPECT_THAT(chase,
                ElementsAre(kSystemOn, kGsReset, "F0 41 10 42 12 40 01 30 02 0D F7", "B0 00 02",
                            "B0 20 01", "C0 05", "B0 00 03", "B0 0A 20", "B0 65 00", "B0 64 00",
                            "B0 06 0C", "B0 01 40", "B0 07 50", "B0 65 7F", "B0 64 7F", "E0 00 50",
                            "D0 30", "C9 10", "B9 63 01", "B9 62 20", "B9 06 40", "B9 5B 28"));
    DeviceState chased;
    for (const auto& message : chase)
        chased.Apply(message);
    EXPECT_TRUE(chased == played);
    EXPECT_EQ(sequencer->GetTempo(), 250'000u);
    EXPECT_EQ(PlayerGetPlayTime(), kTarget);

    // The monitor shows the target's state at once, without the notes after it.
    EXPECT_EQ(MonitorOf(0), monitor_played);
    EXPECT_THAT(MonitorOf(0), ElementsAre(5, 3 << 7 | 1, 0x50, 0x20));
    EXPECT_EQ(GetChannelMonitor().GetChannelInfo(0)->GetNoteSlot(0), nullptr);

    // From there on message for message and period for period as the play
    // went on; the note sounding at the target is not struck again.
    Periods(1000);
    const Timed seek_after = After(seek_us);
    EXPECT_EQ(seek_after, played_after);
    ASSERT_FALSE(seek_after.empty());
    EXPECT_EQ(seek_after.front().first, "80 40 00");
}

TEST_F(TransportTest, TempoFactorScalesEveryEventWithoutDrift) {
    // Ten minutes: a note every 500 ms for 300 s, then every second at tempo 1,000,000.
    Events events;
    events.Tempo(0, 500000);
    std::vector<std::int64_t> song_ms;
    for (int i = 0; i < 900; ++i) {
        if (i == 600)
            events.Tempo(0, 1000000);
        events.At(i == 0 ? 0 : 480, {0x90, 0x3C, 0x40});
        song_ms.push_back(i < 600 ? i * 500 : 299500 + (i - 599) * 1000);
    }
    const Bytes song = Song(480, {events.End(480)});
    for (int percent : {50, 200}) {
        SCOPED_TRACE(percent);
        sequencer->SetTempoPercent(percent);
        recording->Clear();
        OpenAndPlay(song);
        Periods(1);
        EXPECT_EQ(sequencer->GetTempoIndex(), 125 * 100 / percent);
        while (PlayerIsPlaying())
            Periods(1000);
        const std::vector<std::int64_t> sent = NoteOnTimes();
        ASSERT_EQ(sent.size(), song_ms.size());
        for (std::size_t i = 0; i < sent.size(); ++i) {
            // Sent in the period after the one that reaches the event.
            const std::int64_t due = song_ms[i] * 100 / percent + 1;
            ASSERT_LE(std::abs(sent[i] - due), 1) << "note " << i;
        }
        // The period of the last End of Track counts in full.
        EXPECT_NEAR(PlayerGetPlayTime(), sequencer->GetSongLengthMs(), percent / 100.0);
    }

    // Changes while playing: the play time is exactly the sum of the periods
    // at each factor, and the position the ticks of that time.
    sequencer->SetTempoPercent(100);
    OpenAndPlay(song);
    std::uint64_t micros = 0;
    const std::pair<int, unsigned> steps[] = {{100, 333}, {135, 777}, {25, 91},  {400, 1234},
                                              {95, 4321}, {5, 10},    {1000, 17}};
    for (auto [percent, periods] : steps) {
        sequencer->SetTempoPercent(percent);
        Periods(periods);
        micros += std::uint64_t{periods} * 10 * sequencer->GetTempoPercent();
    }
    EXPECT_EQ(sequencer->GetTempoPercent(), 400);
    EXPECT_EQ(PlayerGetPlayTime(), micros / 1000);
    EXPECT_EQ(sequencer->GetPositionTicks(), micros * 480 / 500000);
}

TEST_F(TransportTest, TransposeReleasesEveryNoteWhereItWasStruck) {
    // Channel 1 holds two notes across the change; channel 10 and channel 2
    // (made a drum part by GS) stay put; channel 3's high notes fall outside.
    const Bytes song = Song(
        1000, {Events()
                   .At(0, {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x12, 0x15, 0x01, 0x18, 0xF7})
                   .At(0, {0x90, 0x3C, 0x64})
                   .At(0, {0x90, 0x40, 0x64})
                   .At(0, {0x99, 0x24, 0x64})
                   .At(0, {0x91, 0x28, 0x64})
                   .At(0, {0x92, 0x7A, 0x64})
                   .At(0, {0x92, 0x7D, 0x64})
                   .At(10, {0x80, 0x3C, 0x00})
                   .At(10, {0x90, 0x40, 0x00})
                   .At(10, {0x90, 0x3C, 0x64})
                   .At(10, {0x80, 0x3C, 0x00})
                   .At(0, {0x89, 0x24, 0x00})
                   .At(0, {0x81, 0x28, 0x00})
                   .At(0, {0x82, 0x7A, 0x00})
                   .At(0, {0x82, 0x7D, 0x00})
                   .End()});
    sequencer->SetTranspose(40);
    EXPECT_EQ(sequencer->GetTranspose(), 12);
    sequencer->SetTranspose(5);
    OpenAndPlay(song);
    Periods(5);
    sequencer->SetTranspose(-7);
    Periods(50);
    EXPECT_THAT(SongMessages(),
                ElementsAre("F0 41 10 42 12 40 12 15 01 18 F7", "90 41 64", "90 45 64", "99 24 64",
                            "91 28 64", "92 7F 64", "80 41 00", "90 45 00", "90 35 64", "80 35 00",
                            "89 24 00", "81 28 00", "82 7F 00"));
    // Every note-on has its note-off at the same pitch.
    std::map<std::string, int> sounding;
    for (const auto& m : SongMessages()) {
        const auto b = Hex(m);
        if (b[0] >= 0xF0)
            continue;
        const bool on = (b[0] & 0xF0) == 0x90 && b[2] != 0;
        sounding[m.substr(1, 4)] += on ? 1 : -1;
    }
    for (const auto& [key, count] : sounding)
        EXPECT_EQ(count, 0) << key;
}

TEST_F(TransportTest, KitsChosenByBankSelectAreNotTransposedBeforeOrAfterAJump) {
    // After XG System On an XG kit on channel 3, which then goes back to a
    // melodic bank; after GM2 System On a rhythm bank on channel 4; after a
    // GS reset bank 127 on channel 5 is a melodic tone map.
    const Bytes song = Song(
        1000, {Events()
                   .At(0, {0xF0, 0x08, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7})
                   .At(0, {0xB2, 0x00, 0x7F})
                   .At(0, {0xC2, 0x00})
                   .At(10, {0x92, 0x24, 0x64})
                   .At(10, {0xB2, 0x00, 0x00})
                   .At(0, {0xC2, 0x00})
                   .At(10, {0x92, 0x3C, 0x64})
                   .At(10, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x03, 0xF7})
                   .At(0, {0xB3, 0x00, 0x78})
                   .At(0, {0xC3, 0x00})
                   .At(10, {0x93, 0x26, 0x64})
                   .At(10, {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7})
                   .At(0, {0xB4, 0x00, 0x7F})
                   .At(0, {0xC4, 0x00})
                   .At(10, {0x94, 0x3C, 0x64})
                   .End(10)});
    const auto note_ons = [this] {
        std::vector<std::string> notes;
        for (const auto& message : SongMessages())
            if (message[0] == '9')
                notes.push_back(message);
        return notes;
    };
    sequencer->SetTranspose(2);
    OpenAndPlay(song);
    Periods(80);
    EXPECT_THAT(note_ons(), ElementsAre("92 24 64", "92 3E 64", "93 26 64", "94 3E 64"));
    recording->Clear();
    sequencer->SeekMs(5);
    Periods(80);
    EXPECT_THAT(note_ons(), ElementsAre("92 24 64", "92 3E 64", "93 26 64", "94 3E 64"));
}

TEST_F(TransportTest, MutedAndUnsoloedChannelsSendNoNotesButTheirControllers) {
    const Bytes song = Song(1000, {Events()
                                       .At(0, {0x90, 0x3C, 0x40})
                                       .At(0, {0x91, 0x3E, 0x40})
                                       .At(10, {0xB1, 0x07, 0x64})
                                       .At(0, {0x91, 0x40, 0x40})
                                       .At(10, {0x81, 0x3E, 0x00})
                                       .At(0, {0x81, 0x40, 0x00})
                                       .At(10, {0x90, 0x3D, 0x40})
                                       .At(0, {0x91, 0x41, 0x40})
                                       .At(10, {0x90, 0x3E, 0x40})
                                       .At(10, {0x90, 0x3F, 0x40})
                                       .End(10)});
    OpenAndPlay(song);
    Periods(5);
    sequencer->SetChannelMuted(1, true);
    EXPECT_FALSE(sequencer->IsChannelAudible(1));
    EXPECT_TRUE(sequencer->IsChannelMuted(1));
    Periods(25);  // the sounding note released; the controller goes, the notes do not
    EXPECT_THAT(SongMessages(), ElementsAre("90 3C 40", "91 3E 40", "81 3E 00", "B1 07 64"));
    EXPECT_EQ(GetChannelMonitor().GetChannelInfo(1)->GetNoteSlot(0), nullptr);

    // Solo: channel 2 heard again, channel 1's sounding note released.
    sequencer->SetChannelMuted(1, false);
    sequencer->SetSoloChannel(1);
    EXPECT_FALSE(sequencer->IsChannelAudible(0));
    EXPECT_TRUE(sequencer->IsChannelAudible(1));
    Periods(11);
    EXPECT_THAT(SongMessages(), ElementsAre("90 3C 40", "91 3E 40", "81 3E 00", "B1 07 64",
                                            "80 3C 00", "91 41 40"));
    sequencer->SetSoloChannel(CSequencer::NO_SOLO);
    sequencer->SetChannelMuted(16, true);  // not a channel
    EXPECT_TRUE(sequencer->IsChannelAudible(0));
    EXPECT_FALSE(sequencer->IsChannelAudible(16));
    Periods(10);
    EXPECT_EQ(SongMessages().back(), "90 3F 40");
}

TEST_F(TransportTest, SmpteDivisionPlacesEventsInRealTime) {
    struct Case {
        int frames;
        int ticks_per_frame;
        std::uint32_t tick;
        unsigned due_ms;
    };
    // 29 is 29.97 fps: 8991 ticks of 30 a frame are 9999.99 ms.
    for (const Case& c : {Case{24, 8, 576, 3000}, Case{25, 40, 2000, 2000},
                          Case{29, 30, 8991, 10000}, Case{30, 2, 300, 5000}}) {
        SCOPED_TRACE(c.frames);
        const int division = (256 - c.frames) << 8 | c.ticks_per_frame;
        // A tempo change on the way must not change the rate.
        const Bytes song = Song(
            division,
            {Events().Tempo(c.tick / 2, 250000).At(c.tick - c.tick / 2, {0x90, 0x3C, 0x40}).End()});
        recording->Clear();
        OpenAndPlay(song);
        EXPECT_EQ(sequencer->GetSongLengthMs(), c.due_ms);
        Periods(c.due_ms);
        EXPECT_TRUE(SongMessages().empty());
        Periods(1);
        EXPECT_THAT(SongMessages(), ElementsAre("90 3C 40"));
        EXPECT_EQ(sequencer->GetTempoIndex(), 62);
    }
}

TEST_F(TransportTest, LengthWordsAndJumpsAgreeWithThePeriodsAtAnyTempoFactor) {
    // Notes with words at ticks between periods, across a tempo change at
    // tick 700 (division 480); the song ends at tick 3001.
    const std::uint32_t ticks[] = {333, 1001, 1777, 2500};
    Events voice;
    std::uint32_t last = 0;
    for (std::uint32_t i = 0; i < 4; ++i) {
        voice.At(ticks[i] - last, {0xFF, 0x05, 0x01, 'a'})
            .At(0, {0x90, static_cast<std::uint8_t>(0x40 + i), 0x40});
        last = ticks[i];
    }
    const Bytes song =
        Song(480, {Events().Tempo(0, 500000).Tempo(700, 333333).End(), voice.End(3001 - last)});
    // Each tick's exact time in microseconds, rounded up.
    const auto due_us = [](std::uint64_t tick) {
        const std::uint64_t scaled =
            tick <= 700 ? tick * 500000 : 700 * 500000 + (tick - 700) * 333333;
        return (scaled + 479) / 480;
    };
    ASSERT_TRUE(Open(song));
    EXPECT_EQ(sequencer->GetSongLengthMs(), (due_us(3001) + 999) / 1000);
    const auto& tokens = sequencer->GetLyrics().Tokens();
    ASSERT_EQ(tokens.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(tokens[i].time_ms, (due_us(ticks[i]) + 999) / 1000);

    // Played by hand at 135 %, then 70 %: each event goes out in the first
    // period whose song time reaches it, and the song ends with the period
    // that reaches its length.
    sequencer->SetTempoPercent(135);
    PlayerPlay();
    std::vector<std::uint64_t> periods_us, sent_us;
    std::uint64_t at_us = 0, last_active_us = 0;
    for (int k = 0; PlayerIsPlaying() && k < 5000; ++k) {
        if (k == 500)
            sequencer->SetTempoPercent(70);
        const std::size_t before = SongMessages().size();
        Periods(1);
        periods_us.push_back(at_us);
        if (SongMessages().size() > before)
            sent_us.push_back(at_us);
        if (PlayerIsPlaying())
            last_active_us = at_us;
        at_us += 10 * static_cast<std::uint64_t>(sequencer->GetTempoPercent());
    }
    const auto first_period_at = [&](std::uint64_t us) {
        return *std::lower_bound(periods_us.begin(), periods_us.end(), us);
    };
    ASSERT_EQ(sent_us.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(sent_us[i], first_period_at(due_us(ticks[i]))) << "note " << i;
    EXPECT_EQ(last_active_us, first_period_at(due_us(3001)));

    // A jump at 135 % to a time on the play's periods goes on period for
    // period as the play did.
    sequencer->SetTempoPercent(135);
    recording->Clear();
    PlayerPlay();
    const std::uint64_t start_us = recording->Entries().back().time_us;
    Periods(2000);
    const Timed played_after = After(start_us + 1000 * 1000);
    sequencer->SeekMs(1350);
    const std::uint64_t seek_us = recording->Entries().back().time_us;
    Periods(1000);
    EXPECT_EQ(After(seek_us), played_after);
    EXPECT_EQ(played_after.size(), 2u);
}

TEST_F(TransportTest, DeviceChangeSendsTheSongsStateAndVolumeBeforeTheNextNote) {
    // What each device received until its first note after the change.
    const auto state_until_note = [&](UINT device) {
        DeviceState state;
        std::vector<std::string> volumes;
        for (const auto& e : recording->Entries()) {
            if (e.device_id != device)
                continue;
            if (e.text.rfind("volume ", 0) == 0)
                volumes.push_back(e.text);
            if (e.text.size() < 3 || e.text[2] != ' ')
                continue;
            if (e.text[0] == '9')
                break;
            state.Apply(e.text);
        }
        return std::make_pair(state, volumes);
    };
    OpenAndPlay(ChaseSong());
    PlayerSetVolume(0x80);
    Periods(1300);
    DeviceState played;
    for (const auto& message : Messages())
        played.Apply(message);

    // Playing: the new device (never opened before) gets the state and the
    // player's volume, not its own full one, and the song goes on.
    recording->Clear();
    sequencer->SelectDevice(1);
    Periods(1000);
    auto [state, volumes] = state_until_note(1);
    EXPECT_TRUE(state == played);
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.back(), "volume 80008000");
    EXPECT_EQ(PlayerGetVolume(), 0x80);
    EXPECT_EQ(SongMessages().back(), "80 43 00");

    // Paused: the state goes at once, the song stays where it was.
    OpenAndPlay(ChaseSong());
    Periods(1300);
    PlayerPause();
    recording->Clear();
    sequencer->SelectDevice(0);
    std::tie(state, volumes) = state_until_note(0);
    EXPECT_TRUE(state == played);
    EXPECT_TRUE(PlayerIsPaused());
    Periods(500);
    EXPECT_EQ(PlayerGetPlayTime(), 1300u);
    PlayerPlay();
    Periods(1000);
    EXPECT_EQ(SongMessages().back(), "80 43 00");
}

TEST_F(TransportTest, JumpsPastCheckpointsLeaveWhatAPlayLeaves) {
    // Ten seconds of a controller and a program that change every 100 ms;
    // looped from 1 s on, the targets past 10 s lie in the second pass.
    Events events;
    for (int i = 0; i < 100; ++i) {
        events.At(i == 0 ? 0 : 100, {0xB0, 0x0B, static_cast<std::uint8_t>(i)})
            .At(0, {0xC1, static_cast<std::uint8_t>(i / 3)});
        if (i == 10)
            events.At(0, {0xB2, 0x6F, 0x00});
    }
    const Bytes song = Song(1000, {events.End(100)});
    LoopSettings forever;
    forever.mode = LoopMode::kForever;
    sequencer->SetLoopSettings(forever);
    for (unsigned target : {2050u, 7499u, 9999u, 10000u + 7499u}) {
        SCOPED_TRACE(target);
        recording->Clear();
        OpenAndPlay(song);
        Periods(target);
        DeviceState played;
        for (const auto& message : Messages())
            played.Apply(message);
        sequencer->SeekMs(200);
        recording->Clear();
        sequencer->SeekMs(target);
        DeviceState jumped;
        for (const auto& message : Messages())
            jumped.Apply(message);
        EXPECT_TRUE(jumped == played);
    }
}

}  // namespace
