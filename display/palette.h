// The 256-entry screen palette: colours of entries 0-239 from a palette file
// beside the program, scaled by a global brightness; entries 240-255 set by
// the program; links that make an entry show another entry's colour; and
// one-frame overrides. Applied to the display once per frame.
#pragma once

#include <array>
#include <mutex>

#include "platform/ddraw.h"
#include "platform/win32_types.h"

inline constexpr int kPaletteEntryCount = 256;
// Entries from here on are the program's own: never dimmed, never loaded.
inline constexpr int kFirstProgramEntry = 240;
inline constexpr int kPaletteFileBytes = kPaletteEntryCount * 3;

class CPalette {
public:
    CPalette();
    virtual ~CPalette();
    CPalette(const CPalette&) = delete;
    CPalette& operator=(const CPalette&) = delete;

    // Loads palette file 0, creates the display palette (all black when
    // clear, else the file's colours) and attaches it to surface.
    bool Create(IDirectDrawSurface* surface, bool clear);
    // Loads "nivra<digit>.act" from the executable's folder into the base
    // table; a missing file or one shorter than 768 bytes leaves everything
    // unchanged and returns false.
    bool LoadFile(int digit);
    // Loads a palette file by path (the part of LoadFile after the name).
    bool LoadFromPath(const char* path);
    // The digit of the palette file the base table came from last (-1 when
    // it came from a path given otherwise, or from none).
    int GetLoadedDigit() const;
    // Working entries 0-239 take the base colours again.
    void Restore();
    void SetBrightness(WORD percent);
    WORD GetBrightness() const;
    // Builds the output table from working colours, links and brightness and
    // sends it to the display palette (when there is one).
    void Apply();
    // entry & 0xFF shows target's colour from the next Apply on; 0 unlinks.
    void SetLink(int entry, BYTE target);
    // Sets an unlinked entry's working colour (0x00BBGGRR); entries 0-239
    // keep it for one Apply only.
    void SetEntry(int entry, COLORREF colour);
    // The colour an entry shows (its link target's when linked); 0 outside 0-255.
    COLORREF GetEntry(int entry) const;

    // The table the last Apply sent to the display, as one consistent copy.
    std::array<PALETTEENTRY, kPaletteEntryCount> GetOutput() const;

    // Brightness factor of Apply in 1/256: percent x 256 / 100, less one at 100.
    static int BrightnessFactor(WORD percent);

private:
    void RestoreLocked();

    // Apply runs on the frame thread while the main thread and panels change
    // the tables; one lock keeps every Apply consistent.
    mutable std::mutex lock_;
    WORD brightness_ = 100;
    PALETTEENTRY base_[kPaletteEntryCount] = {};
    PALETTEENTRY working_[kPaletteEntryCount] = {};
    PALETTEENTRY output_[kPaletteEntryCount] = {};
    IDirectDrawPalette* dd_palette_ = nullptr;
    BYTE link_[kPaletteEntryCount] = {};
    int loaded_digit_ = -1;
};

// The program's one palette, created on first use.
CPalette& GetPalette();
