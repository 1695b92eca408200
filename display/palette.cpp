#include "display/palette.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "display/display.h"
#include "platform/files.h"
#include "platform/kernel.h"

namespace {

constexpr int kFullBrightness = 100;
constexpr DWORD kPaletteCaps = DDPCAPS_8BIT | DDPCAPS_ALLOW256;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

COLORREF ToColour(const PALETTEENTRY& entry) {
    return RGB(entry.peRed, entry.peGreen, entry.peBlue);
}

BYTE Scale(BYTE component, int factor) {
    const int scaled = (component * factor) >> 8;
    return static_cast<BYTE>(scaled > 255 ? 255 : scaled);
}

// The folder of the running executable, with its trailing separator.
bool ExecutableFolder(std::string& folder) {
    const std::string full = GetProgramPath();
    if (full.empty())
        return false;
    // The module path is in the program's drive-letter form (C:\dir\nivra).
    const auto slash = full.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
    return true;
}

}  // namespace

CPalette::CPalette() = default;

CPalette::~CPalette() = default;

int CPalette::BrightnessFactor(WORD percent) {
    int factor = percent * 256 / kFullBrightness;
    factor -= (factor >> 8) & 0xFF;
    return factor;
}

bool CPalette::Create(IDirectDrawSurface* surface, bool clear) {
    if (!LoadFile(0))
        return false;
    IDirectDrawPalette* created = nullptr;
    {
        std::lock_guard guard(lock_);
        if (clear)
            std::memset(working_, 0, sizeof(working_));
        else
            RestoreLocked();
        PALETTEENTRY initial[kPaletteEntryCount];
        std::memcpy(initial, working_, sizeof(initial));
        if (GetDisplay().CreatePalette(kPaletteCaps, initial, &created) != DD_OK || !created)
            return false;
        if (dd_palette_)
            dd_palette_->Release();
        dd_palette_ = created;
        std::memset(link_, 0, sizeof(link_));
    }
    if (!surface)
        return false;
    return surface->SetPalette(created) == DD_OK;
}

bool CPalette::LoadFile(int digit) {
    if (digit < 0 || digit > 9)
        return false;
    std::string folder;
    if (!ExecutableFolder(folder))
        return false;
    const std::string path =
        platform::ToNativePath(folder + "nivra" + static_cast<char>('0' + digit) + ".act");
    if (!LoadFromPath(path.c_str()))
        return false;
    std::lock_guard guard(lock_);
    loaded_digit_ = digit;
    return true;
}

int CPalette::GetLoadedDigit() const {
    std::lock_guard guard(lock_);
    return loaded_digit_;
}

bool CPalette::LoadFromPath(const char* path) {
    FilePtr file(std::fopen(path, "rb"));
    if (!file)
        return false;
    // A file shorter than a whole table is not a palette file: it is refused
    // like a missing one, so the colours stay as they were. Bytes beyond the
    // table are ignored.
    BYTE bytes[kPaletteFileBytes] = {};
    if (std::fread(bytes, 1, sizeof(bytes), file.get()) != sizeof(bytes))
        return false;
    file.reset();

    std::lock_guard guard(lock_);
    loaded_digit_ = -1;
    std::memset(base_, 0, sizeof(base_));
    for (int i = 0; i < kPaletteEntryCount; ++i) {
        base_[i].peRed = bytes[3 * i];
        base_[i].peGreen = bytes[3 * i + 1];
        base_[i].peBlue = bytes[3 * i + 2];
    }
    return true;
}

void CPalette::Restore() {
    std::lock_guard guard(lock_);
    RestoreLocked();
}

void CPalette::RestoreLocked() {
    std::memcpy(working_, base_, sizeof(PALETTEENTRY) * kFirstProgramEntry);
}

void CPalette::SetBrightness(WORD percent) {
    std::lock_guard guard(lock_);
    brightness_ = percent;
}

WORD CPalette::GetBrightness() const {
    std::lock_guard guard(lock_);
    return brightness_;
}

void CPalette::Apply() {
    std::lock_guard guard(lock_);
    std::memcpy(output_, working_, sizeof(output_));
    // In ascending order, reading what is already linked: a link to a lower
    // linked entry follows its chain, one to a higher entry sees its own colour.
    for (int i = 0; i < kPaletteEntryCount; ++i) {
        if (link_[i] != 0)
            output_[i] = output_[link_[i]];
    }
    if (brightness_ != kFullBrightness) {
        const int factor = BrightnessFactor(brightness_);
        for (int i = 0; i < kFirstProgramEntry; ++i) {
            output_[i].peRed = Scale(output_[i].peRed, factor);
            output_[i].peGreen = Scale(output_[i].peGreen, factor);
            output_[i].peBlue = Scale(output_[i].peBlue, factor);
        }
    }
    if (dd_palette_)
        dd_palette_->SetEntries(0, 0, kPaletteEntryCount, output_);
    RestoreLocked();
}

void CPalette::SetLink(int entry, BYTE target) {
    std::lock_guard guard(lock_);
    link_[entry & 0xFF] = target;
}

void CPalette::SetEntry(int entry, COLORREF colour) {
    if (entry < 0 || entry >= kPaletteEntryCount)
        return;
    std::lock_guard guard(lock_);
    if (link_[entry] != 0)
        return;
    working_[entry].peRed = GetRValue(colour);
    working_[entry].peGreen = GetGValue(colour);
    working_[entry].peBlue = GetBValue(colour);
}

COLORREF CPalette::GetEntry(int entry) const {
    if (entry < 0 || entry >= kPaletteEntryCount)
        return 0;
    std::lock_guard guard(lock_);
    const int shown = link_[entry] != 0 ? link_[entry] : entry;
    return ToColour(working_[shown]);
}

std::array<PALETTEENTRY, kPaletteEntryCount> CPalette::GetOutput() const {
    std::array<PALETTEENTRY, kPaletteEntryCount> copy;
    std::lock_guard guard(lock_);
    std::memcpy(copy.data(), output_, sizeof(output_));
    return copy;
}

CPalette& GetPalette() {
    static CPalette palette;
    return palette;
}
