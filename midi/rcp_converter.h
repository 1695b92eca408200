// The binding to the RCP converter library, loaded at run time.
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

class CRcpConverter {
public:
    // Loads "rcpcv.dll" (librcpcv.so); a missing library is not reported.
    CRcpConverter();
    // For tests: binds to the library at `library_path` instead.
    explicit CRcpConverter(const char* library_path);
    CRcpConverter(const CRcpConverter&) = delete;
    CRcpConverter& operator=(const CRcpConverter&) = delete;
    virtual ~CRcpConverter();

    // The library's flag for a looping player: a song whose tracks all loop
    // endlessly from the same tick gets its loop body once, its start marked
    // with controller 111, instead of the body played twice.
    static constexpr std::uint32_t MARK_ENDLESS_LOOP = 0x1;

    // Converts RCP data to Standard MIDI File data, which stay valid until the
    // next conversion or until this object goes. Null on any failure,
    // including a library without one of its three exports. `flags`: 0 or
    // MARK_ENDLESS_LOOP.
    const std::uint8_t* ConvertToSmf(const void* data, std::uint32_t size, std::uint32_t flags);
    // Deletes the result of the last conversion, if any.
    void ReleaseObject();

    bool IsLoaded() const { return module != nullptr; }

private:
    HMODULE module = nullptr;
    std::uintptr_t object = 0;
};

// The program's one converter binding.
CRcpConverter& GetRcpConverter();
