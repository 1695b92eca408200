// The program's one exception class, thrown by the segment font when its
// glyph surface cannot be made.
#pragma once

#include <cstdint>

class IException {
public:
    explicit IException(uint32_t value = 0) : value_(value) {}

    // The code the thrower gave (0 wherever this program throws it).
    virtual uint32_t GetValue() const;
    // A fixed description for the error box.
    virtual const char* GetText() const;

    // Copied by value when thrown and never deleted through a base pointer,
    // so the destructor is not virtual.
    ~IException() = default;

private:
    uint32_t value_;
};
