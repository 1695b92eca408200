// A stand-in converter library for the binding's tests: every input it
// accepts becomes one small song, and it counts what it was asked to do so a
// test can see the binding's calls.
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#define TEST_API extern "C" __attribute__((visibility("default")))

namespace {

using Bytes = std::vector<std::uint8_t>;

std::map<std::uint32_t, Bytes> live_objects;
std::uint32_t next_handle = 1;
std::uint32_t last_size = 0;
std::uint32_t last_flags = 0;
// The one flag the library knows: mark an endless loop.
constexpr std::uint32_t kKnownFlags = 0x1;
int convert_calls = 0;
int bad_arguments = 0;

void Put32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A format-1 song of one track: the title "CONVERTED", then middle C for a
// quarter note whose velocity is the input's size modulo 100 plus 1.
Bytes SongFor(std::uint32_t size) {
    const std::uint8_t velocity = static_cast<std::uint8_t>(size % 100 + 1);
    const Bytes events = {0x00, 0xFF, 0x03, 9,    'C',  'O',  'N',  'V',      'E',
                          'R',  'T',  'E',  'D',  0x00, 0x90, 0x3C, velocity, 0x60,
                          0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    Put32(out, static_cast<std::uint32_t>(events.size()));
    out.insert(out.end(), events.begin(), events.end());
    return out;
}

}  // namespace

// Data ending in "FAIL" do not convert; anything else does.
TEST_API std::uint32_t rcpcvConvertFileFromBuffer(const void* data, std::uint32_t size,
                                                  std::uint32_t flags, std::uint32_t r1,
                                                  std::uint32_t r2, std::uint32_t r3,
                                                  std::uint32_t r4) {
    ++convert_calls;
    last_size = size;
    last_flags = flags;
    if ((flags & ~kKnownFlags) != 0 || r1 != 0 || r2 != 0 || r3 != 0 || r4 != 0)
        ++bad_arguments;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (size >= 4 && std::memcmp(bytes + size - 4, "FAIL", 4) == 0)
        return 0;
    const std::uint32_t handle = next_handle++;
    live_objects[handle] = SongFor(size);
    return handle;
}

TEST_API const void* rcpcvGetSMF(std::uint32_t handle) {
    auto found = live_objects.find(handle);
    return found == live_objects.end() ? nullptr : found->second.data();
}

TEST_API void rcpcvDeleteObject(std::uint32_t handle) {
    live_objects.erase(handle);
}

// What the tests ask of this library.
TEST_API int testcvLiveObjects() {
    return static_cast<int>(live_objects.size());
}
TEST_API int testcvConvertCalls() {
    return convert_calls;
}
TEST_API int testcvBadArguments() {
    return bad_arguments;
}
TEST_API int testcvLastSize() {
    return static_cast<int>(last_size);
}
TEST_API int testcvLastFlags() {
    return static_cast<int>(last_flags);
}
