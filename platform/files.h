// The file-system calls of the program, in Win32's shape: directory search,
// attributes, the current directory, drives and path splitting.
//
// The program sees paths in the drive-letter form with CP932 names
// ("C:\home\me\曲.MID", ".\", "..\", bare names). Linux names are UTF-8; a
// name the program cannot hold in CP932 (a character outside CP932, a byte
// that is not UTF-8, a control byte, a backslash or a colon) is shown with
// the failing bytes written as "%XX" (two upper-case hex digits of each raw
// byte). A literal "%" followed by two hex digits is written "%25", so every
// name maps back to the exact bytes on disk.
//
// Drives: C: is "/"; each further real mounted file system (block devices
// and network shares, pseudo file systems left out) gets D:, E: ... in
// mount-point order.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32_types.h"

#ifndef NIVRA_FILETIME_DEFINED
#define NIVRA_FILETIME_DEFINED
// 100-nanosecond intervals since 1601-01-01 (UTC), split in two halves.
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using LPFILETIME = FILETIME*;
#endif

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

#define DRIVE_UNKNOWN 0u
#define DRIVE_NO_ROOT_DIR 1u
#define DRIVE_REMOVABLE 2u
#define DRIVE_FIXED 3u
#define DRIVE_REMOTE 4u
#define DRIVE_CDROM 5u
#define DRIVE_RAMDISK 6u

#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

// Starts a search for `file_name` (a folder part and a pattern with `*` and
// `?`, matched case-insensitively; "*.*" matches every name). Returns
// INVALID_HANDLE_VALUE when nothing matches or the folder cannot be read.
// "." and ".." come first, except in a drive's root.
HANDLE FindFirstFileA(LPCSTR file_name, LPWIN32_FIND_DATAA find_data);
// The next match; FALSE when there is none.
BOOL FindNextFileA(HANDLE find_file, LPWIN32_FIND_DATAA find_data);
BOOL FindClose(HANDLE find_file);

// FILE_ATTRIBUTE_* bits of a file or folder; INVALID_FILE_ATTRIBUTES when
// it does not exist.
DWORD GetFileAttributesA(LPCSTR file_name);

// Changes the process's current directory; ".." stops at a drive's root.
BOOL SetCurrentDirectoryA(LPCSTR path_name);
// The current directory in the drive-letter form ("C:\home\me", "D:\").
// Returns its length, or the size needed (terminator included) when the
// buffer is too small, or 0 on failure.
DWORD GetCurrentDirectoryA(DWORD buffer_length, LPSTR buffer);

// Bit i set for every drive letter 'A' + i that exists (C: always).
DWORD GetLogicalDrives();
// DRIVE_* type of the drive that `root_path_name` ("D:\") names;
// DRIVE_NO_ROOT_DIR for a letter without a drive.
UINT GetDriveTypeA(LPCSTR root_path_name);

// Splits a path into drive ("C:"), folder (with its trailing separator),
// file name and extension (from the last dot, dot included). Any output may
// be null. Double-byte characters are kept whole, so a trail byte 0x5C is
// not a separator.
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);

namespace platform {

// The Linux path of a program path: drive letters mapped to mount points,
// backslashes to slashes, names decoded back to their bytes on disk. A
// relative path stays relative to the current directory.
std::string ToNativePath(std::string_view program_path);

// The program path ("C:\home\me\SONG.MID") of an existing Linux path, a
// relative one taken from the current directory and links resolved; empty
// when the path does not exist.
std::string ProgramPathOfNative(std::string_view native_path);

// fopen of a program path (through ToNativePath).
FILE* OpenFile(const char* program_path, const char* mode);

// One name on disk (no separators) as the program sees it, and back. A
// name longer than 255 bytes in the program's form is shown shortened to
// at most 64 ("%EA%B0%80...%~1A2B3C4D.mid"); ProgramNameToNative cannot undo that, the path
// functions look such a name up in its folder.
std::string NativeNameToProgram(std::string_view native_name);
std::string ProgramNameToNative(std::string_view program_name);
// Whether a program name is a shortened one.
bool IsShortAlias(std::string_view program_name);

// Windows-style wildcard match of a CP932 name against a pattern.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// ---- Small files by their Linux path (the settings) ---------------------------------

enum class SmallFileRead { kRead, kMissing, kTooLarge, kUnreadable };

// Reads a whole regular file of at most `max_bytes` into `bytes`. On
// kTooLarge or kUnreadable, `error` says why ("larger than 65536 bytes",
// "Permission denied", "a folder").
SmallFileRead ReadSmallFile(const std::string& native_path, std::size_t max_bytes,
                            std::string& bytes, std::string* error);

// Replaces the file at `native_path` with `bytes` so that a crash or a full
// disk leaves either the old file or the new one, whole: the bytes go to a
// temporary file in the same folder, are synced, and the temporary file is
// renamed over the old one (the folder synced after). Missing folders are
// made (mode 0700); a link is followed, so the file it names is replaced;
// anything but a regular file at the place (a folder, a device) is refused.
// False with `error` set (the step and the system's reason) on failure; the
// old file is then untouched and no temporary file is left.
bool ReplaceFileAtomically(const std::string& native_path, std::string_view bytes,
                           std::string* error);

// Makes an empty hidden file beside `native_path` (".NAME.XXXXXX" in the same
// folder, so a rename into place is atomic) for a writer that finishes by
// renaming it there. Its descriptor (close-on-exec), with its name in
// `temporary`; -1 with errno set when it cannot be made.
int CreateTemporaryBeside(const std::string& native_path, std::string& temporary);

// What a file's text becomes, from how its reading went and what was read
// (empty unless kRead); nothing leaves the file as it is.
using FileUpdate =
    std::function<std::optional<std::string>(SmallFileRead read, const std::string& text)>;

// Changes a small file while holding an advisory lock (flock) on its folder,
// so that writers of one file take turns and each starts from what the one
// before wrote: removes the temporary files a writer killed mid-way left
// beside it, reads the file, and replaces it atomically with what `update`
// makes of it when that differs. False with `error` set on failure.
bool UpdateFileAtomically(const std::string& native_path, std::size_t max_bytes,
                          const FileUpdate& update, std::string* error);

}  // namespace platform
