// Numbers as the monitors show them, written as snprintf's "%03d" (of a
// byte) and "%04x" (of a 16-bit value) would: rows and columns redraw them
// every frame, and the formatting machinery cost more than the drawing.
// Each writes the digits and a terminating zero and returns the end.
#pragma once

inline char* PutThreeDigits(char* out, unsigned value) {
    out[0] = static_cast<char>('0' + value / 100 % 10);
    out[1] = static_cast<char>('0' + value / 10 % 10);
    out[2] = static_cast<char>('0' + value % 10);
    out[3] = '\0';
    return out + 3;
}

inline char* PutFourHexDigits(char* out, unsigned value) {
    constexpr char kHexDigits[] = "0123456789abcdef";
    for (int i = 0; i < 4; ++i)
        out[i] = kHexDigits[(value >> (12 - 4 * i)) & 0xF];
    out[4] = '\0';
    return out + 4;
}
