// Numbers as the monitors and read-outs show them, written as snprintf's
// "%03d" (of a byte), "%04x" (of a 16-bit value) and "%0*lld" would: they
// are redrawn every frame, and the formatting machinery cost more than the
// drawing.
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

// At least `width` characters, zeros after a minus sign, as "%0*lld".
inline char* PutZeroPadded(char* out, long long value, int width) {
    unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    char reversed[20];
    int count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        *out++ = '-';
        --width;
    }
    for (int zeros = width - count; zeros > 0; --zeros)
        *out++ = '0';
    while (count > 0)
        *out++ = reversed[--count];
    *out = '\0';
    return out;
}
