#include "platform/report.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace platform {
namespace {

void WriteLine(const char* area, const char* format, std::va_list arguments) {
    std::va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length < 0)
        return;
    std::string line = area != nullptr ? std::string(area) + ": " : std::string();
    const std::size_t start = line.size();
    line.resize(start + static_cast<std::size_t>(length) + 1);
    std::vsnprintf(line.data() + start, static_cast<std::size_t>(length) + 1, format, arguments);
    line.back() = '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void Report(const char* area, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    WriteLine(area, format, arguments);
    va_end(arguments);
}

void ReportOnce(std::atomic<bool>& said, const char* area, const char* format, ...) {
    if (said.exchange(true))
        return;
    std::va_list arguments;
    va_start(arguments, format);
    WriteLine(area, format, arguments);
    va_end(arguments);
}

}  // namespace platform
