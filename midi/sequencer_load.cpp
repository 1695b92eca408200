// CSequencer::Load: a song file into tracks, with the title scan.

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "midi/midi_format.h"
#include "midi/rcp_converter.h"
#include "midi/riff_wrapper.h"
#include "midi/sequencer.h"
#include "midi/sequencer_time.h"
#include "platform/files.h"

using sequencer_time::kMicrosPerSecond;

namespace {

constexpr std::uint32_t kMacBinaryHeaderBytes = 128;
constexpr std::uint32_t kMacBinaryTypeOffset = 65;
// An SMF chunk's type and big-endian length.
constexpr std::uint32_t kSmfChunkHeaderBytes = 8;
constexpr std::uint32_t kHeaderWordBytes = 6;

std::uint32_t ReadBig32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

int ReadBig16(const std::uint8_t* p) {
    return (p[0] << 8) | p[1];
}

// Closes the file however Load leaves.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool CSequencer::Load(const char* path) {
    if (IsLoaded()) {
        Unload();
        loaded.store(0, std::memory_order_relaxed);
    }
    // A song that closed itself may still be leaving its last callback; the
    // new tracks are built only once it has, and under the lock that close took.
    CMidiTimer::Stop();
    std::lock_guard<std::recursive_mutex> guard(songLock);
    lyrics = CSongLyrics();
    if (path == nullptr)
        return false;
    // The path is the program's CP932 name; the platform maps it to the
    // name on disk, so songs whose names CP932 cannot hold open too.
    std::unique_ptr<std::FILE, FileCloser> file(platform::OpenFile(path, "rb"));
    if (!file)
        return false;
    std::vector<std::uint8_t> buffer(MAX_SONG_BYTES, 0);
    const auto read =
        static_cast<std::uint32_t>(std::fread(buffer.data(), 1, MAX_SONG_BYTES, file.get()));

    const std::uint8_t* smf = nullptr;
    // Bytes of SMF data that may be read; the converter's own result is
    // complete by its contract, so it is bounded by its chunk lengths alone.
    std::uint32_t available = 0;
    switch (DetectMidiFormat(buffer.data(), read)) {
        case MIDIFORMAT_SMF:
            smf = buffer.data();
            available = read;
            break;
        case MIDIFORMAT_RCP: {
            CRcpConverter& converter = rcpConverter != nullptr ? *rcpConverter : GetRcpConverter();
            // Endless loops are marked for the loop modes only: with loops off
            // the song plays as the plain conversion gives it.
            const bool looping = loopMode.load(std::memory_order_relaxed) != LoopMode::kOff;
            smf = converter.ConvertToSmf(buffer.data(), read,
                                         looping ? CRcpConverter::MARK_ENDLESS_LOOP : 0);
            available = UINT32_MAX;
            break;
        }
        case MIDIFORMAT_UNKNOWN: {
            std::uint32_t data_offset = 0;
            std::uint32_t data_length = 0;
            // A Standard MIDI File in a MacBinary wrapper: type "Midi" and the
            // data fork after the 128-byte header.
            if (read > kMacBinaryHeaderBytes &&
                std::memcmp(&buffer[kMacBinaryTypeOffset], "Midi", 4) == 0 &&
                DetectMidiFormat(&buffer[kMacBinaryHeaderBytes], read - kMacBinaryHeaderBytes) ==
                    MIDIFORMAT_SMF) {
                smf = &buffer[kMacBinaryHeaderBytes];
                available = read - kMacBinaryHeaderBytes;
            } else if (FindRmidData(buffer.data(), read, data_offset, data_length) &&
                       DetectMidiFormat(&buffer[data_offset], data_length) == MIDIFORMAT_SMF) {
                // Or in a RIFF 'RMID' wrapper: no track may reach past its chunk.
                smf = &buffer[data_offset];
                available = data_length;
            }
            break;
        }
    }
    if (smf == nullptr || !BuildTracks(smf, available))
        return false;

    ScanTitle();
    FollowDeviceList();
    if (!midiOut.Open(selectedDevice.load(std::memory_order_relaxed))) {
        ReleaseTracks();
        return false;
    }
    // The silent run that measures the song also meets its words at the
    // times playback sends them.
    CSongTextLog text_log;
    textLog = &text_log;
    MeasureSong();
    textLog = nullptr;
    lyrics = CSongLyrics::Read(text_log);
    return true;
}

bool CSequencer::BuildTracks(const std::uint8_t* smf, std::uint32_t available) {
    // The three header words are always taken from the six bytes after the
    // chunk header, whatever length the header declares.
    if (available < kSmfChunkHeaderBytes + kHeaderWordBytes)
        return false;
    const std::uint32_t header_length = ReadBig32(smf + 4);
    format = ReadBig16(smf + 8);
    const int count = ReadBig16(smf + 10);
    division = ReadBig16(smf + 12);
    SetTimeDivision();

    // A chunk that runs past the data read fails the load rather than
    // reading outside them.
    std::uint64_t offset = std::uint64_t{kSmfChunkHeaderBytes} + header_length;
    auto built = std::make_unique<CMidiTrack[]>(count > 0 ? count : 1);
    for (int i = 0; i < count; ++i) {
        if (offset + kSmfChunkHeaderBytes > available)
            return false;
        const std::uint32_t length = ReadBig32(smf + offset + 4);
        offset += kSmfChunkHeaderBytes;
        if (offset + length > available)
            return false;
        built[i].SetData(smf + offset, length);
        offset += length;
    }
    tracks = std::move(built);
    trackCount.store(count, std::memory_order_relaxed);
    return true;
}

void CSequencer::SetTimeDivision() {
    smpteTicksNum = 0;
    smpteTicksDen = 0;
    if ((division & 0x8000) == 0)
        return;
    // Frames per second as a negative byte, then ticks per frame; -29 is the
    // 29.97 fps of drop-frame time (30000 / 1001).
    const int frames = -static_cast<std::int8_t>(division >> 8);
    const std::uint64_t ticks_per_frame = division & 0xFF;
    smpteTicksNum = frames == 29 ? ticks_per_frame * 30000 : ticks_per_frame * frames;
    smpteTicksDen = frames == 29 ? 1001 * kMicrosPerSecond : kMicrosPerSecond;
}

void CSequencer::ScanTitle() {
    if (GetTrackCount() <= 0)
        return;
    title[0] = '\0';
    CMidiTrack& track = tracks[0];
    // The scan looks for FF 03 anywhere in the bytes, not event by event.
    std::int64_t counter = 0;
    const std::int64_t limit = static_cast<std::int64_t>(track.GetLength()) - 3;
    int copied = 0;
    try {
        track.Rewind();
        while (counter < limit) {
            if (track.ReadByte() != 0xFF) {
                ++counter;
                continue;
            }
            if (track.ReadByte() != 0x03) {
                counter += 2;
                continue;
            }
            std::uint32_t length = track.ReadVarLen();
            if (length > static_cast<std::uint32_t>(MAX_TITLE))
                length = MAX_TITLE;
            while (copied < static_cast<int>(length))
                title[copied++] = static_cast<char>(track.ReadByte());
            break;
        }
    } catch (EXCEPTION_MIDITRACK) {
        // The end of track 0 ends the scan; the load goes on.
    }
    title[copied] = '\0';
}

void CSequencer::ReleaseTracks() {
    std::lock_guard<std::recursive_mutex> guard(songLock);
    trackCount.store(0, std::memory_order_relaxed);
    songLengthMs.store(0, std::memory_order_relaxed);
    checkpoints.Clear();
    loopCheckpoints.Clear();
    hasLoop.store(false, std::memory_order_relaxed);
    tracks.reset();
}
