// The program's string table (CP932 bytes, as the program's text is) and
// the code page's lead-byte test.
#include "platform/codepage.h"
#include "platform/kernel.h"

#include <cstring>

namespace {

struct TableEntry {
    UINT id;
    const char* text;
};

const TableEntry kStringTable[] = {
    // "%sは既に常駐しています 多重起動はできません"
    {1,
     "%s\x82\xCD\x8A\xF9\x82\xC9\x8F\xED\x92\x93\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7 "
     "\x91\xBD\x8F"
     "d\x8B"
     "N\x93\xAE\x82\xCD\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"},
    // "DirectDrawの初期化に失敗しました"
    {3,
     "DirectDraw\x82\xCC\x8F\x89\x8A\xFA\x89\xBB\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82"
     "\xBD"},
    // "内部の初期化処理に失敗しました"
    {4,
     "\x93\xE0\x95\x94\x82\xCC\x8F\x89\x8A\xFA\x89\xBB\x8F\x88\x97\x9D\x82\xC9\x8E\xB8\x94s\x82\xB5"
     "\x82\xDC\x82\xB5\x82\xBD"},
    // "Win32sサブシステムでは実行できません"
    {5,
     "Win32s\x83T\x83u\x83V\x83X\x83"
     "e\x83\x80\x82\xC5\x82\xCD\x8E\xC0\x8Ds\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"},
    // "Intelアーキテクチャのプロセッサが必要です"
    {6,
     "Intel\x83"
     "A\x81[\x83L\x83"
     "e\x83N\x83`\x83\x83\x82\xCC\x83v\x83\x8D\x83Z\x83"
     "b\x83T\x82\xAA\x95K\x97v\x82\xC5\x82\xB7"},
};

}  // namespace

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size) {
    if (buffer == nullptr || size <= 0)
        return 0;
    const char* text = nullptr;
    for (const TableEntry& entry : kStringTable)
        if (entry.id == id)
            text = entry.text;
    if (text == nullptr) {
        buffer[0] = '\0';
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    // Copy whole characters only: a lead byte whose trail byte does not fit
    // is left out.
    size_t limit = static_cast<size_t>(size) - 1;
    size_t copied = 0;
    while (text[copied] != '\0') {
        bool pair = platform::IsCp932LeadByte(static_cast<unsigned char>(text[copied])) &&
                    text[copied + 1] != '\0';
        size_t length = pair ? 2 : 1;
        if (copied + length > limit)
            break;
        copied += length;
    }
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
    return static_cast<int>(copied);
}

BOOL IsDBCSLeadByte(BYTE byte) {
    return platform::IsCp932LeadByte(byte) ? TRUE : FALSE;
}
