// CFile: the owner of one buffered standard-library file stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

inline constexpr unsigned FILE_READ = 0x01;
inline constexpr unsigned FILE_WRITE = 0x02;
inline constexpr unsigned FILE_TRUNCATE = 0x08;
inline constexpr unsigned FILE_TEXT = 0x10;
inline constexpr unsigned FILE_BINARY = 0x20;

class CFile {
public:
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile();

    // Opens `path` (the program's drive-letter form, CP932) with the mode
    // string of `flags`; a stream that was open is closed first. 1 on
    // success, 0 on failure.
    virtual int Open(const char* path, unsigned flags);
    // Closes the stream if one is open.
    virtual void Close();
    // Reads up to `count` bytes; the number read, 0 when nothing is open.
    virtual std::uint32_t Read(void* buffer, std::uint32_t count);
    // Writes `count` bytes; nothing when nothing is open.
    virtual void Write(const void* buffer, std::uint32_t count);
    // The stream's seek (origin SEEK_SET, SEEK_CUR, SEEK_END): 0 on success;
    // 0 also when nothing is open.
    virtual int Seek(long offset, int origin);
    virtual int SeekToBegin();
    virtual int SeekToEnd();
    // Low 32 bits of the position; 0 when nothing is open or it fails.
    virtual std::uint32_t GetPosition();

    bool IsOpen() const { return stream_ != nullptr; }

    // The file-open mode string for `flags`: r if FILE_READ; then, with
    // FILE_WRITE, w if FILE_TRUNCATE else a; t if FILE_TEXT; b if FILE_BINARY.
    static std::string ModeString(unsigned flags);

private:
    std::FILE* stream_ = nullptr;
};
