#include "gfx/file.h"

#include "platform/files.h"

CFile::~CFile() {
    CFile::Close();
}

std::string CFile::ModeString(unsigned flags) {
    std::string mode;
    if (flags & FILE_READ)
        mode += 'r';
    if (flags & FILE_WRITE)
        mode += (flags & FILE_TRUNCATE) ? 'w' : 'a';
    if (flags & FILE_TEXT)
        mode += 't';
    if (flags & FILE_BINARY)
        mode += 'b';
    return mode;
}

int CFile::Open(const char* path, unsigned flags) {
    Close();
    std::string mode = ModeString(flags);
    // Without r, w or a the mode string is not a mode at all.
    if (path == nullptr || mode.empty() || (mode[0] != 'r' && mode[0] != 'w' && mode[0] != 'a'))
        return 0;
    stream_ = platform::OpenFile(path, mode.c_str());
    return stream_ != nullptr ? 1 : 0;
}

void CFile::Close() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
}

std::uint32_t CFile::Read(void* buffer, std::uint32_t count) {
    if (stream_ == nullptr || buffer == nullptr)
        return 0;
    return static_cast<std::uint32_t>(std::fread(buffer, 1, count, stream_));
}

void CFile::Write(const void* buffer, std::uint32_t count) {
    if (stream_ == nullptr || buffer == nullptr)
        return;
    std::fwrite(buffer, 1, count, stream_);
}

int CFile::Seek(long offset, int origin) {
    if (stream_ == nullptr)
        return 0;
    return std::fseek(stream_, offset, origin);
}

int CFile::SeekToBegin() {
    return Seek(0, SEEK_SET);
}

int CFile::SeekToEnd() {
    return Seek(0, SEEK_END);
}

std::uint32_t CFile::GetPosition() {
    if (stream_ == nullptr)
        return 0;
    long position = std::ftell(stream_);
    return position < 0 ? 0 : static_cast<std::uint32_t>(position);
}
