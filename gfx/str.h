// CStr: an owned, growable, zero-terminated byte string in the program's
// code page (Shift-JIS bytes are stored as they are).
#pragma once

#include <cstdint>

class CStr {
public:
    CStr() = default;
    CStr(const CStr& other);
    CStr& operator=(const CStr& other);
    CStr(CStr&& other) noexcept;
    CStr& operator=(CStr&& other) noexcept;
    virtual ~CStr();

    // 1 when the stored bytes equal `text` up to and including the
    // terminator; 0 otherwise and for a never-assigned string.
    virtual int Equals(const char* text) const;
    // The buffer, null for a never-assigned string.
    virtual char* GetBuffer() const;
    // Bytes before the terminator.
    virtual std::uint32_t GetLength() const;
    // Characters: a Shift-JIS lead byte and the byte after it count as one.
    virtual std::uint32_t GetCharCount() const;
    // Size of the block in bytes: 0 or a multiple of 64.
    virtual std::uint32_t GetCapacity() const;
    // Loads string `id` of the program's string table into a block of at
    // least `size` bytes. 1 when at least one character was copied.
    virtual int LoadString(unsigned id, std::uint32_t size);

    // Copies `text`. Throws the integer 0 (the string unchanged) when `text`
    // is null or unreadable.
    void Assign(const char* text);
    CStr& operator=(const char* text) {
        Assign(text);
        return *this;
    }

private:
    // Makes the block hold at least `needed` bytes: a smaller block is
    // replaced by one of `needed` rounded up to 64 bytes, without keeping the
    // old contents.
    void Reserve(std::uint32_t needed);

    char* buffer_ = nullptr;
    std::uint32_t capacity_ = 0;
};
