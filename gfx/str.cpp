#include "gfx/str.h"

#include "platform/kernel.h"

#include <cstring>
#include <utility>

namespace {

constexpr std::uint32_t kBlockGranule = 64;

}  // namespace

CStr::CStr(const CStr& other) {
    if (other.buffer_ != nullptr)
        Assign(other.buffer_);
}

CStr& CStr::operator=(const CStr& other) {
    if (this != &other && other.buffer_ != nullptr)
        Assign(other.buffer_);
    return *this;
}

CStr::CStr(CStr&& other) noexcept
    : buffer_(std::exchange(other.buffer_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)) {}

CStr& CStr::operator=(CStr&& other) noexcept {
    if (this != &other) {
        delete[] buffer_;
        buffer_ = std::exchange(other.buffer_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

CStr::~CStr() {
    delete[] buffer_;
}

int CStr::Equals(const char* text) const {
    if (buffer_ == nullptr || text == nullptr)
        return 0;
    return std::strcmp(buffer_, text) == 0 ? 1 : 0;
}

char* CStr::GetBuffer() const {
    return buffer_;
}

std::uint32_t CStr::GetLength() const {
    return buffer_ == nullptr ? 0 : static_cast<std::uint32_t>(std::strlen(buffer_));
}

std::uint32_t CStr::GetCharCount() const {
    if (buffer_ == nullptr)
        return 0;
    std::uint32_t count = 0;
    for (const char* at = buffer_; *at != '\0'; ++count) {
        // A lead byte takes the byte after it, unless that is the terminator:
        // then the lead byte counts alone and ends the text.
        if (IsDBCSLeadByte(static_cast<BYTE>(*at)) && at[1] != '\0')
            at += 2;
        else
            at += 1;
    }
    return count;
}

std::uint32_t CStr::GetCapacity() const {
    return capacity_;
}

int CStr::LoadString(unsigned id, std::uint32_t size) {
    Reserve(size);
    if (buffer_ == nullptr)
        return 0;
    // The strings are the program's own: the executable's module holds them,
    // the same instance the entry point hands the application.
    return LoadStringA(GetModuleHandleA(nullptr), id, buffer_, static_cast<int>(capacity_)) > 0 ? 1
                                                                                                : 0;
}

void CStr::Assign(const char* text) {
    if (text == nullptr || IsBadReadPtr(text, 1))
        throw 0;
    std::size_t length = std::strlen(text);
    if (text >= buffer_ && text < buffer_ + capacity_) {
        // Assigning from our own block: growing would free the source.
        std::memmove(buffer_, text, length + 1);
        return;
    }
    Reserve(static_cast<std::uint32_t>(length + 1));
    std::memcpy(buffer_, text, length + 1);
}

void CStr::Reserve(std::uint32_t needed) {
    if (needed <= capacity_)
        return;
    std::uint32_t size = (needed + kBlockGranule - 1) / kBlockGranule * kBlockGranule;
    delete[] buffer_;
    buffer_ = nullptr;
    capacity_ = 0;
    buffer_ = new char[size];
    buffer_[0] = '\0';
    capacity_ = size;
}
