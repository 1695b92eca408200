// Turns an editable palette source into a 768-byte colour table (256 RGB
// triplets, entry 0 first). Source lines:
//   <entry>[-<last>] <RRGGBB> [<RRGGBB>]   # comment
// One colour fills the range; two colours make a straight ramp from the
// first entry to the last. Entries no line names stay black.
// Usage: nivra_palette_maker <source.txt> <output.act>
#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

constexpr int kEntries = 256;

struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;
};

bool ParseColour(const std::string& text, Colour& colour) {
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    const unsigned long value = std::stoul(text, nullptr, 16);
    colour = {static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF),
              static_cast<int>(value & 0xFF)};
    return true;
}

bool ParseRange(const std::string& text, int& first, int& last) {
    const auto dash = text.find('-');
    try {
        std::size_t used = 0;
        first = std::stoi(text.substr(0, dash), &used);
        if (used != (dash == std::string::npos ? text.size() : dash))
            return false;
        last = first;
        if (dash != std::string::npos) {
            const std::string tail = text.substr(dash + 1);
            last = std::stoi(tail, &used);
            if (used != tail.size())
                return false;
        }
    } catch (const std::exception&) {
        return false;
    }
    return first >= 0 && first <= last && last < kEntries;
}

int Mix(int from, int to, int step, int steps) {
    return steps == 0 ? from : from + (to - from) * step / steps;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: nivra_palette_maker <source.txt> <output.act>\n";
        return 2;
    }
    std::ifstream source(argv[1]);
    if (!source) {
        std::cerr << argv[1] << ": cannot open\n";
        return 1;
    }
    std::array<Colour, kEntries> table{};
    std::string line;
    for (int number = 1; std::getline(source, line); ++number) {
        const auto hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream fields(line);
        std::string range, start, end, extra;
        if (!(fields >> range))
            continue;
        int first = 0, last = 0;
        Colour from, to;
        fields >> start >> end >> extra;
        if (!ParseRange(range, first, last) || !ParseColour(start, from) ||
            (!end.empty() && !ParseColour(end, to)) || !extra.empty()) {
            std::cerr << argv[1] << ":" << number
                      << ": expected <entry>[-<last>] <RRGGBB> [<RRGGBB>]\n";
            return 1;
        }
        if (end.empty())
            to = from;
        const int steps = last - first;
        for (int i = first; i <= last; ++i) {
            table[i] = {Mix(from.red, to.red, i - first, steps),
                        Mix(from.green, to.green, i - first, steps),
                        Mix(from.blue, to.blue, i - first, steps)};
        }
    }
    std::ofstream output(argv[2], std::ios::binary | std::ios::trunc);
    for (const Colour& colour : table) {
        output.put(static_cast<char>(colour.red));
        output.put(static_cast<char>(colour.green));
        output.put(static_cast<char>(colour.blue));
    }
    if (!output) {
        std::cerr << argv[2] << ": cannot write\n";
        return 1;
    }
    return 0;
}
