// Build-time tool: turns the text sources of the program's images into a C++
// file of byte arrays and the resource table that FindProgramResource reads.
//
// Usage: nivra_resource_compiler OUTPUT.cpp (TYPE NAME SOURCE)...
//
// Source format, one directive or pixel row per line; ';' starts a comment
// line, blank lines are ignored:
//   image W H             size written into the header
//   stored-rows N         rows actually stored (>= H; the extra rows are 0)
//   format custbmp|rgba   one palette index per pixel (bits 8) or four bytes
//                         of red, green, blue, alpha per pixel (bits 32)
//   pixel C V             custbmp: character C stands for palette index V
//   pixel C R G B A       rgba: character C stands for that colour
//   cells CW CH           the pixels come in cells CW wide and CH high, laid
//                         left to right, each introduced by "glyph LABEL"
//                         and followed by CH rows of CW characters
//   rows                  otherwise: H rows of W characters follow
// Every row must have exactly the expected width and use only declared
// characters; the tool stops with a message naming the file and line.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum class PixelFormat { kCustBmp, kRgba };

struct Image {
    int width = 0;
    int height = 0;
    int stored_rows = 0;
    PixelFormat format = PixelFormat::kCustBmp;
    std::map<char, std::vector<unsigned char>> legend;
    std::vector<std::string> rows;  // stored_rows rows of width characters
};

[[noreturn]] void FailAt(const std::string& path, int line, const std::string& message) {
    std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), line, message.c_str());
    std::exit(1);
}

class SourceReader {
public:
    explicit SourceReader(const std::string& path) : path_(path), stream_(path) {
        if (!stream_) {
            FailAt(path_, 0, "cannot open");
        }
    }

    // The next line that is neither blank nor a comment; false at the end.
    bool Next(std::string* line) {
        while (std::getline(stream_, *line)) {
            ++line_number_;
            if (!line->empty() && line->back() == '\r') {
                line->pop_back();
            }
            if (!line->empty() && (*line)[0] != ';') {
                return true;
            }
        }
        return false;
    }

    [[noreturn]] void Fail(const std::string& message) const {
        FailAt(path_, line_number_, message);
    }

private:
    std::string path_;
    std::ifstream stream_;
    int line_number_ = 0;
};

int ParseNumber(SourceReader& reader, std::istringstream& words, int low, int high) {
    long value = 0;
    if (!(words >> value) || value < low || value > high) {
        reader.Fail("expected a number from " + std::to_string(low) + " to " +
                    std::to_string(high));
    }
    return static_cast<int>(value);
}

void CheckRow(SourceReader& reader, const Image& image, const std::string& row, size_t width) {
    if (row.size() != width) {
        reader.Fail("row of " + std::to_string(row.size()) + " characters, expected " +
                    std::to_string(width));
    }
    for (char c : row) {
        if (image.legend.find(c) == image.legend.end()) {
            reader.Fail(std::string("character '") + c + "' has no pixel directive");
        }
    }
}

void ReadCells(SourceReader& reader, Image& image, int cell_width, int cell_height) {
    if (cell_width <= 0 || image.width % cell_width != 0 || cell_height > image.stored_rows) {
        reader.Fail("cells do not divide the image");
    }
    const int cell_count = image.width / cell_width;
    image.rows.assign(image.stored_rows, std::string());
    std::string line;
    for (int cell = 0; cell < cell_count; ++cell) {
        if (!reader.Next(&line) || line.rfind("glyph", 0) != 0) {
            reader.Fail("expected \"glyph\" for cell " + std::to_string(cell));
        }
        for (int y = 0; y < cell_height; ++y) {
            if (!reader.Next(&line)) {
                reader.Fail("source ends inside cell " + std::to_string(cell));
            }
            CheckRow(reader, image, line, cell_width);
            image.rows[y] += line;
        }
    }
    if (reader.Next(&line)) {
        reader.Fail("more cells than the image holds");
    }
}

void ReadRows(SourceReader& reader, Image& image) {
    std::string line;
    for (int y = 0; y < image.height; ++y) {
        if (!reader.Next(&line)) {
            reader.Fail("source ends after " + std::to_string(y) + " rows");
        }
        CheckRow(reader, image, line, image.width);
        image.rows.push_back(line);
    }
    if (reader.Next(&line)) {
        reader.Fail("more rows than the image holds");
    }
}

Image ReadImage(const std::string& path) {
    SourceReader reader(path);
    Image image;
    std::string line;
    while (reader.Next(&line)) {
        std::istringstream words(line);
        std::string directive;
        words >> directive;
        if (directive == "image") {
            image.width = ParseNumber(reader, words, 1, 65535);
            image.height = ParseNumber(reader, words, 1, 65535);
            image.stored_rows = image.height;
        } else if (directive == "stored-rows") {
            image.stored_rows = ParseNumber(reader, words, image.height, 65535);
        } else if (directive == "format") {
            std::string name;
            words >> name;
            if (name == "custbmp") {
                image.format = PixelFormat::kCustBmp;
            } else if (name == "rgba") {
                image.format = PixelFormat::kRgba;
            } else {
                reader.Fail("unknown format " + name);
            }
        } else if (directive == "pixel") {
            std::string symbol;
            words >> symbol;
            if (symbol.size() != 1) {
                reader.Fail("a pixel directive names one character");
            }
            const int channels = image.format == PixelFormat::kRgba ? 4 : 1;
            std::vector<unsigned char> value;
            for (int i = 0; i < channels; ++i) {
                value.push_back(static_cast<unsigned char>(ParseNumber(reader, words, 0, 255)));
            }
            image.legend[symbol[0]] = value;
        } else if (directive == "cells" || directive == "rows") {
            if (image.width == 0) {
                reader.Fail("\"image\" must come first");
            }
            if (directive == "rows") {
                ReadRows(reader, image);
            } else {
                const int cell_width = ParseNumber(reader, words, 1, image.width);
                const int cell_height = ParseNumber(reader, words, 1, image.stored_rows);
                ReadCells(reader, image, cell_width, cell_height);
            }
            return image;
        } else {
            reader.Fail("unknown directive " + directive);
        }
    }
    reader.Fail("no pixel rows");
}

// Header (width, height, bits per pixel), then the stored rows; rows the
// source leaves out are zero.
std::vector<unsigned char> Encode(const Image& image) {
    const int channels = image.format == PixelFormat::kRgba ? 4 : 1;
    std::vector<unsigned char> bytes = {
        static_cast<unsigned char>(image.width & 0xFF),
        static_cast<unsigned char>(image.width >> 8),
        static_cast<unsigned char>(image.height & 0xFF),
        static_cast<unsigned char>(image.height >> 8),
        static_cast<unsigned char>(channels * 8),
    };
    for (int y = 0; y < image.stored_rows; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (y < static_cast<int>(image.rows.size()) &&
                x < static_cast<int>(image.rows[y].size())) {
                const auto& value = image.legend.at(image.rows[y][x]);
                bytes.insert(bytes.end(), value.begin(), value.end());
            } else {
                bytes.insert(bytes.end(), channels, 0);
            }
        }
    }
    return bytes;
}

void WriteArray(std::ostream& out, const std::string& symbol,
                const std::vector<unsigned char>& bytes) {
    out << "static const unsigned char " << symbol << "[" << bytes.size() << "] = {";
    for (size_t i = 0; i < bytes.size(); ++i) {
        out << (i % 16 == 0 ? "\n    " : " ") << static_cast<int>(bytes[i]) << ",";
    }
    out << "\n};\n\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (argc - 2) % 3 != 0) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp (TYPE NAME SOURCE)...\n", argv[0]);
        return 2;
    }
    std::ostringstream out;
    out << "// Generated by nivra_resource_compiler from resources/images; edit those.\n"
        << "#include \"resources/program_resources.h\"\n\n";
    std::ostringstream table;
    int count = 0;
    for (int i = 2; i + 2 < argc; i += 3, ++count) {
        const std::string symbol = "kResource" + std::to_string(count);
        WriteArray(out, symbol, Encode(ReadImage(argv[i + 2])));
        table << "    {\"" << argv[i] << "\", \"" << argv[i + 1] << "\", " << symbol << ", sizeof "
              << symbol << "},\n";
    }
    out << "extern const ProgramResource kProgramResources[] = {\n"
        << table.str() << "};\n"
        << "extern const std::size_t kProgramResourceCount = " << count << ";\n";

    // Written only when complete, so a failed run leaves no half file behind.
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file << out.str();
    if (!file) {
        std::fprintf(stderr, "%s: cannot write\n", argv[1]);
        return 1;
    }
    return 0;
}
