#include "panels/system_status_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "system/sysinfo.h"
#include "display/frame_thread.h"
#include "display/palette.h"
#include "gfx/draw.h"
#include "gfx/number_text.h"
#include "gfx/segment_font.h"
#include "gfx/text.h"
#include "midi/channel_monitor.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "panels/transport_state.h"
#include "platform/kernel.h"

namespace {

constexpr int kStatusWidth = CSystemStatusPanel::kRight - CSystemStatusPanel::kLeft;   // 285
constexpr int kStatusHeight = CSystemStatusPanel::kBottom - CSystemStatusPanel::kTop;  // 150
constexpr int kReadoutX = 100;
constexpr int kReadoutRows[4] = {0, 23, 46, 69};
constexpr const char* kReadoutLabels[4] = {"PLAY TIME`", "PERFORMANCE`", "SYSTEMTIME`",
                                           "SENDPACKETS`"};
constexpr int kSegmentX = 180;  // panel-relative x of the read-outs
constexpr int kStatusWordsY = 100;
constexpr int kPlayThroughX = 200;  // the next place after REPEAT's
constexpr char kPlayThroughWord[] = "THROUGH";
// Tempo factor, key and silenced channels, under the wheel.
constexpr int kTransportTop = 50;
constexpr int kTransportBottom = kTransportTop + TransportLines::kCount * kFontACellHeight;
constexpr int kPhysicalMemoryY = 133;
constexpr int kVirtualMemoryY = 142;
constexpr float kRadiansPerDegree = 0.01745328f;

}  // namespace

CSystemStatusPanel::CSystemStatusPanel() = default;
CSystemStatusPanel::~CSystemStatusPanel() = default;

int CSystemStatusPanel::Create() {
    SetRect(kLeft, kTop, kRight, kBottom);
    if (!CPanel::Create()) {
        return 0;
    }
    DrawStaticImage();
    return 1;
}

void CSystemStatusPanel::DrawStaticImage() {
    CCriticalSectionLock hold(lock_);
    IDirectDrawSurface* image = surface.surface;
    words_drawn_ = false;
    transport_drawn_ = false;
    FillRect(image, 0, 0, kStatusWidth, kStatusHeight, 0);
    for (int row = 0; row < 4; ++row) {
        const int y = kReadoutRows[row];
        FillRect(image, kReadoutX, y, kReadoutX + 5, y + 20, kPanelRuleColour);
        DrawTextFontA(&surface, kReadoutX + 8, y, kReadoutLabels[row], 1, 1);
    }
    DrawTextFontA(&surface, 108, 7, "TOTAL`", 1, 1);
    DrawTotal();
    DrawLine(image, 0, 110, kStatusWidth, 110, kPanelRuleColour);
    DrawTextFontA(&surface, 0, 93, "STATUS`", 1, 1);
    DrawTextFontA(&surface, 0, 115, "DRIVER`", 1, 1);

    char name[64] = {};
    GetSequencer().GetDeviceName(name);
    name[sizeof name - 1] = '\0';
    DrawTextFontB(&surface, 35, 113, name, 0, 0);
    const DWORD version = GetSequencer().GetDriverVersion();
    if (version != 0) {
        char text[16];
        std::snprintf(text, sizeof text, "v%d.%02d", static_cast<int>((version >> 8) & 0xFF),
                      static_cast<int>(version & 0xFF));
        DrawTextFontA(&surface, 40 + 7 * static_cast<int>(std::strlen(name)), 115, text, 0, 0);
    }

    DrawTextFontA(&surface, 0, 125, "CPUID`", 1, 1);
    const SysInfo& sys = GetSysInfo();
    char cpu[64];
    std::snprintf(cpu, sizeof cpu, "%.16s %01d.%02d.%02d", sys.cpuVendor, sys.cpuFamily,
                  sys.cpuModel, sys.cpuStepping);
    DrawTextFontB(&surface, 35, 123, cpu, 1, 1);

    MEMORYSTATUS memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    DrawTextFontA(&surface, 0, 135, "PHYSICAL MEMORY`", 1, 1);
    DrawTextFontA(&surface, 0, 144, "VIRTUAL MEMORY`", 1, 1);
    // The zeros before the slash are overwritten every frame with the
    // available amounts. Figures are printed unsigned and in full (a machine
    // of 100 GB or more does not fit eight digits), the zeros as wide as
    // its total, so the line still reads available/total.
    DrawMemoryTotal(memory.dwTotalPhys / 1024, kPhysicalMemoryY, phys_digits_);
    DrawMemoryTotal(memory.dwTotalVirtual / 1024, kVirtualMemoryY, virtual_digits_);

    // Twelve spokes; opposite spokes share one palette entry, so the wheel
    // turns by palette links alone.
    if (surface.Lock(nullptr, DDLOCK_WRITEONLY)) {
        for (int h = 0; h < 12; ++h) {
            // The angle is single precision; its sine and cosine and the
            // ends are not, so the spoke at 90 degrees stops short of x 28.
            const float theta = 30 * h * kRadiansPerDegree;
            const double s = std::sin(static_cast<double>(theta));
            const double c = std::cos(static_cast<double>(theta));
            DrawLineLocked(surface.bits, surface.pitch, static_cast<LONG>(20 + 8 * s),
                           static_cast<LONG>(30 + 8 * c), static_cast<LONG>(20 + 18 * s),
                           static_cast<LONG>(30 + 18 * c),
                           static_cast<DWORD>(kWheelFirstSpokeEntry + h % 6));
        }
        surface.Unlock();
    }
}

void CSystemStatusPanel::DrawTotal() {
    // The song's length, measured at load, in the play time's format;
    // dashes while no song is loaded.
    char text[24] = "--:--:--";
    if (PlayerIsLoaded()) {
        const std::int64_t length_ms = GetSequencer().GetSongLengthMs();
        FormatPlayTime(static_cast<uint32_t>(std::clamp<std::int64_t>(length_ms, 0, UINT32_MAX)),
                       text);
    }
    DrawTextFontA(&surface, 115, 14, text, 0, 1);
}

void CSystemStatusPanel::DrawMemoryTotal(unsigned long long total_kb, int y, int& digits) {
    char text[48];
    digits = std::max(8, std::snprintf(text, sizeof text, "%llu", total_kb));
    std::snprintf(text, sizeof text, "%0*d/%0*lluKB", digits, 0, 8, total_kb);
    DrawTextFontB(&surface, 85, y, text, 1, 1);
}

void CSystemStatusPanel::Draw(CSurface* target) {
    CCriticalSectionLock hold(lock_);
    CPanel::Draw(target);
    if (target == nullptr || target->surface == nullptr) {
        return;
    }
    const uint32_t play_ms = PlayerIsLoaded() ? PlayerGetPlayTime() : 0;
    DrawStatusWords();
    DrawTransportState();
    DrawReadouts(target, play_ms);
    AnimateWheel();
    DrawMemory(target);
}

void CSystemStatusPanel::DrawStatusWords() {
    // Drawn into the panel image: they reach the screen with the next frame.
    const bool playing = PlayerIsPlaying();
    const bool paused = PlayerIsPaused();
    const bool repeat = PlayerGetRepeat();
    const bool play_through = PlayerGetPlayThrough();
    const unsigned words =
        (playing ? 1u : 0u) | (paused ? 2u : 0u) | (repeat ? 4u : 0u) | (play_through ? 8u : 0u);
    if (words_drawn_ && words == shown_words_)
        return;
    words_drawn_ = true;
    shown_words_ = words;
    DrawTextFontB(&surface, 0, kStatusWordsY, "PLAY", 0, playing ? 0 : 2);
    DrawTextFontB(&surface, 100, kStatusWordsY, "STOP", 0, playing ? 2 : 0);
    DrawTextFontB(&surface, 50, kStatusWordsY, "PAUSE", 0, paused ? 0 : 2);
    DrawTextFontB(&surface, 150, kStatusWordsY, "REPEAT", 0, repeat ? 1 : 2);
    // Play-through is shown only while it is on: off, its place stays as
    // empty as the panel was before the mode existed.
    if (play_through)
        DrawTextFontB(&surface, kPlayThroughX, kStatusWordsY, kPlayThroughWord, 0, 1);
    else
        FillRect(surface.surface, kPlayThroughX, kStatusWordsY,
                 kPlayThroughX + kFontBCellWidth * (sizeof kPlayThroughWord - 1),
                 kStatusWordsY + kFontBCellHeight, 0);
}

void CSystemStatusPanel::DrawTransportState() {
    // Drawn into the panel image like the status words. The area is cleared
    // whenever the lines change and stays empty while everything is at its
    // normal setting.
    TransportLines lines;
    FormatTransportState(ReadTransportState(), lines);
    if (transport_drawn_ && std::memcmp(lines.text, shown_transport_.text, sizeof lines.text) == 0)
        return;
    transport_drawn_ = true;
    shown_transport_ = lines;
    FillRect(surface.surface, 0, kTransportTop, kReadoutX, kTransportBottom, 0);
    for (int i = 0; i < TransportLines::kCount; ++i)
        DrawTextFontA(&surface, 0, kTransportTop + kFontACellHeight * i, lines.text[i], 1, 0);
}

void CSystemStatusPanel::DrawReadouts(CSurface* target, uint32_t play_ms) {
    const int x = rect.left + kSegmentX;
    const int y = rect.top;
    char text[24];
    FormatPlayTime(play_ms, text);
    DrawSegmentText(target, x, y + kReadoutRows[0], text);
    PutZeroPadded(std::copy_n("FPS  ", 5, text), GetFps(), 3);
    DrawSegmentText(target, x, y + kReadoutRows[1], text);
    PutZeroPadded(text, static_cast<int32_t>(GetTickCount()), 8);
    DrawSegmentText(target, x, y + kReadoutRows[2], text);
    PutZeroPadded(text, static_cast<int>(GetChannelMonitor().GetSendPackets()), 8);
    DrawSegmentText(target, x, y + kReadoutRows[3], text);
}

void CSystemStatusPanel::AnimateWheel() {
    const bool turning = PlayerIsLoaded() && PlayerIsPlaying();
    wheel_.Advance(static_cast<uint32_t>(GetSequencer().GetTempoIndex()), turning);
    CPalette& palette = GetPalette();
    for (int i = 0; i < kWheelPhases; ++i) {
        palette.SetLink(kWheelFirstSpokeEntry + i, kWheelUnlitEntry);
    }
    palette.SetLink(kWheelFirstSpokeEntry + wheel_.Phase(), kWheelLitEntry);
}

void CSystemStatusPanel::DrawMemory(CSurface* target) {
    if (memory_schedule_.Advance()) {
        MEMORYSTATUS memory{};
        memory.dwLength = sizeof memory;
        GlobalMemoryStatus(&memory);
        avail_phys_kb_ = memory.dwAvailPhys / 1024;
        avail_virtual_kb_ = memory.dwAvailVirtual / 1024;
    }
    char text[32];
    PutZeroPadded(text, static_cast<long long>(avail_phys_kb_), phys_digits_);
    DrawTextFontB(target, rect.left + 85, rect.top + kPhysicalMemoryY, text, 0, 1);
    PutZeroPadded(text, static_cast<long long>(avail_virtual_kb_), virtual_digits_);
    DrawTextFontB(target, rect.left + 85, rect.top + kVirtualMemoryY, text, 0, 1);
}

int CSystemStatusPanel::Notify(int code) {
    if (code == NOTIFY_PLAY_RESTART) {
        DrawStaticImage();
    }
    return 0;
}

void CSystemStatusPanel::Restore() {
    CPanel::Restore();
    DrawStaticImage();
}
