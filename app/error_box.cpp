#include "app/error_box.h"

#include "gfx/str.h"
#include "platform/message.h"

#include <cstdio>

// "NIVRA エラー"
const char kErrorBoxCaption[] = "NIVRA \x83G\x83\x89\x81[";

namespace {

// "\n例外コード:#%04d"
const char kCodeSuffixFormat[] = "\n\x97\xE1\x8AO\x83R\x81[\x83h:#%04d";

constexpr unsigned kErrorTextBytes = 256;

}  // namespace

unsigned ErrorMessageId(ErrorCode code) {
    switch (code) {
        case ERRORCODE_WIN32S:
            return 5;
        case ERRORCODE_NOT_INTEL:
            return 6;
        case ERRORCODE_DIRECTDRAW:
            return 3;
        default:
            return 4;
    }
}

std::string FormatErrorBoxText(ErrorCode code) {
    CStr message;
    message.LoadString(ErrorMessageId(code), kErrorTextBytes);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, kCodeSuffixFormat, code);
    std::string text = message.GetBuffer() != nullptr ? message.GetBuffer() : "";
    return text + suffix;
}

void ShowErrorBox(ErrorCode code) {
    std::string text = FormatErrorBoxText(code);
    MessageBoxA(nullptr, text.c_str(), kErrorBoxCaption, MB_ICONWARNING);
}
