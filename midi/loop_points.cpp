#include "midi/loop_points.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameText(std::string_view text, std::string_view word) {
    return text.size() == word.size() &&
           std::equal(text.begin(), text.end(), word.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

}  // namespace

void CLoopMarks::Pair::Start(std::uint32_t tick) {
    // The first start; one met out of order (two tracks in one period) that
    // lies before it takes its place.
    if (start && tick >= *start)
        return;
    start = tick;
    if (end && *end <= tick)
        end.reset();
}

void CLoopMarks::Pair::End(std::uint32_t tick) {
    end_seen = true;
    if (start && tick > *start && (!end || tick < *end))
        end = tick;
}

void CLoopMarks::Controller(std::uint32_t tick, std::uint8_t number) {
    switch (number) {
        case 110:
            older.Start(tick);
            break;
        case 111:
            older.End(tick);
            controller111.Start(tick);
            break;
        case 116:
            emidi.Start(tick);
            break;
        case 117:
            emidi.End(tick);
            break;
        default:
            break;
    }
}

void CLoopMarks::Marker(std::uint32_t tick, std::string_view text) {
    // Some files pad the text with spaces or a NUL.
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    if (SameText(text, "loopStart"))
        markers.Start(tick);
    else if (SameText(text, "loopEnd"))
        markers.End(tick);
}

std::optional<LoopPoints> CLoopMarks::Find() const {
    for (const Pair* pair : {&markers, &emidi}) {
        if (!pair->start)
            continue;
        if (pair->end)
            return LoopPoints{*pair->start, *pair->end};
        if (!pair->end_seen)
            return LoopPoints{*pair->start, std::nullopt};
    }
    // 110 and 111 only as a pair with 110 first; else 111 alone.
    if (older.start && older.end)
        return LoopPoints{*older.start, *older.end};
    if (controller111.start)
        return LoopPoints{*controller111.start, std::nullopt};
    return std::nullopt;
}
