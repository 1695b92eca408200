// Which files are songs: the kinds a collection holds, told by the name's
// extension without regard to case, each with its marker in the file list.
#pragma once

#include <string>
#include <vector>

enum class SongKind {
    kNone,  // not a song
    kSmf,   // a Standard MIDI File: .MID .MIDI .SMF .KAR
    kRmid,  // a Standard MIDI File in a RIFF wrapper: .RMI
    kRcp,   // an RCP sequence file: .RCP .R36 .G18 .G36
};

// The kind of a file by its name.
SongKind SongKindOfName(const char* name);
inline bool IsSongName(const char* name) {
    return SongKindOfName(name) != SongKind::kNone;
}

// The character before a song's name in the list (a blank for kNone).
char SongMarker(SongKind kind);

// The names of the songs in `folder` (a program path), in the order the
// file list shows them; empty when the folder cannot be read.
std::vector<std::string> ListSongs(const std::string& folder);

// The upper-cased extension of a name (".MID"), empty when it has none.
std::string UpperExtension(const char* name);
