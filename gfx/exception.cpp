#include "gfx/exception.h"

uint32_t IException::GetValue() const {
    return value_;
}

const char* IException::GetText() const {
    return "IException: not exception error.";
}
