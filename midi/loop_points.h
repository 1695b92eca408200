// The loop points of a song, gathered from its marks as the silent run at
// load meets them in playing order: controller 111 alone, controllers 110
// and 111 (110 first), controllers 116 and 117, and the markers "loopStart"
// and "loopEnd" in any case. Each mark costs a comparison or two, however
// many a song has.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The loop a song's marks make, in ticks; `end` is unset for a loop that
// runs to the song's end.
struct LoopPoints {
    std::uint32_t start = 0;
    std::optional<std::uint32_t> end;
};

class CLoopMarks {
public:
    // Whether controller `number` marks loops in some convention.
    static bool IsLoopController(std::uint8_t number) {
        return number == 110 || number == 111 || number == 116 || number == 117;
    }
    // A loop controller at `tick`.
    void Controller(std::uint32_t tick, std::uint8_t number);
    // A marker meta event's text at `tick`.
    void Marker(std::uint32_t tick, std::string_view text);
    // The one loop: the conventions in the order markers, controllers
    // 116/117, 110/111, 111 alone; within one, the first start and the first
    // end after it (none: to the song's end). A convention whose only ends
    // come before its start makes no loop.
    std::optional<LoopPoints> Find() const;

private:
    struct Pair {
        std::optional<std::uint32_t> start;
        std::optional<std::uint32_t> end;
        bool end_seen = false;

        void Start(std::uint32_t tick);
        void End(std::uint32_t tick);
    };

    Pair markers;
    Pair emidi;          // 116 / 117
    Pair older;          // 110 / 111
    Pair controller111;  // 111 alone: a start only
};
