// The program's command line in the GNU manner: options (long ones also as
// --name=value, -- ends them) and the songs and folders to start with.
#pragma once

#include <optional>
#include <string>
#include <vector>

// What --render asks for, and the options that shape a render or a play.
struct RenderRequest {
    std::string target;          // OUT, or FOLDER/ (ends with '/') for NAME.EXT files there
    std::string format = "wav";  // extension of the files in a target folder ("wav")
    int tempo_percent = 100;
    int transpose = 0;
    unsigned muted_channels = 0;  // bit n: channel n + 1
};

struct CommandLine {
    enum class Action { kRun, kHelp, kVersion, kListDevices, kRender, kFail };
    Action action = Action::kRun;
    std::vector<std::string> paths;     // songs and folders, in the order given; each exists
    std::optional<std::string> device;  // --device ID as written
    std::optional<unsigned> device_id;  // the device it names, once resolved
    bool no_config = false;             // --no-config
    RenderRequest render;               // kRender's target; the sound's shape for both
    std::string message;                // kFail: the line for standard error (exit 2)
};

// Reads the options and checks that every path exists and may be read. The
// device is not looked up here (see ResolveDeviceOption).
CommandLine ParseCommandLine(int argc, char** argv);

// What main() parsed, for start-up; empty (kRun, no paths) until then.
const CommandLine& GetCommandLine();
void SetCommandLine(CommandLine line);

// The --help text.
const char* CommandLineHelp();
