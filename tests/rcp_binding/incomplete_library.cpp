// A converter library that lacks rcpcvGetSMF: the binding must treat it as a
// failed conversion without calling through the missing entry point, and
// without leaving a converter object behind.
#include <cstdint>

#define TEST_API extern "C" __attribute__((visibility("default")))

namespace {
int convert_calls = 0;
int live_objects = 0;
}  // namespace

TEST_API std::uint32_t rcpcvConvertFileFromBuffer(const void*, std::uint32_t, std::uint32_t,
                                                  std::uint32_t, std::uint32_t, std::uint32_t,
                                                  std::uint32_t) {
    ++convert_calls;
    ++live_objects;
    return 7;
}

TEST_API void rcpcvDeleteObject(std::uint32_t) {
    --live_objects;
}

TEST_API int testcvConvertCalls() {
    return convert_calls;
}
TEST_API int testcvLiveObjects() {
    return live_objects;
}
