#include "platform/winmm/midi_log.h"

#include <cstdlib>
#include <mutex>

#include "platform/winmm/multimedia_clock.h"
#include "platform/report.h"

namespace platform::winmm {
namespace {
std::mutex log_lock;
}

std::string HexBytes(const std::uint8_t* bytes, std::size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

MidiLog::MidiLog() {
    const char* path = std::getenv("NIVRA_MIDI_LOG");
    if (path == nullptr || *path == '\0')
        return;
    file_ = std::fopen(path, "w");
    if (file_ == nullptr)
        Report("MIDI:log", "cannot write %s", path);
}

// Never destroyed, so that devices closed at exit can still write their line.
MidiLog& MidiLog::Instance() {
    static MidiLog* log = new MidiLog;
    return *log;
}

void MidiLog::Write(const std::string& text) {
    if (file_ == nullptr)
        return;
    std::lock_guard<std::mutex> guard(log_lock);
    std::fprintf(file_, "%llu %s\n", static_cast<unsigned long long>(MicrosSinceStart()),
                 text.c_str());
    std::fflush(file_);
}

}  // namespace platform::winmm
