#include "panels/song_files.h"

#include "panels/file_list.h"
#include "platform/files.h"

namespace {

struct KindByExtension {
    const char* extension;
    SongKind kind;
};

constexpr KindByExtension kSongExtensions[] = {
    {".MID", SongKind::kSmf}, {".MIDI", SongKind::kSmf}, {".SMF", SongKind::kSmf},
    {".KAR", SongKind::kSmf}, {".RMI", SongKind::kRmid}, {".RCP", SongKind::kRcp},
    {".R36", SongKind::kRcp}, {".G18", SongKind::kRcp},  {".G36", SongKind::kRcp},
};

}  // namespace

std::string UpperExtension(const char* name) {
    char ext[_MAX_EXT];
    _splitpath(name, nullptr, nullptr, nullptr, ext);
    for (char* c = ext; *c; ++c)
        if (*c >= 'a' && *c <= 'z')
            *c = static_cast<char>(*c - 'a' + 'A');
    return ext;
}

SongKind SongKindOfName(const char* name) {
    const std::string ext = UpperExtension(name);
    for (const KindByExtension& entry : kSongExtensions)
        if (ext == entry.extension)
            return entry.kind;
    return SongKind::kNone;
}

char SongMarker(SongKind kind) {
    // Half-width katakana the fonts draw: the a and i of Standard MIDI and
    // RCP files, the u of a wrapped one.
    switch (kind) {
        case SongKind::kSmf:
            return '\xB1';
        case SongKind::kRcp:
            return '\xB2';
        case SongKind::kRmid:
            return '\xB3';
        case SongKind::kNone:
            break;
    }
    return ' ';
}

std::vector<std::string> ListSongs(const std::string& folder) {
    CFileList list;
    list.ListMatching(folder.c_str(), "*.*", 1);
    std::vector<std::string> songs;
    for (std::uint32_t i = 0; i < list.GetCount(); ++i) {
        const char* name = list.GetAt(i)->GetBuffer();
        if (IsSongName(name))
            songs.emplace_back(name);
    }
    return songs;
}
