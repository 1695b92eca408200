// The program's command line in the GNU manner: options (long ones also as
// --name=value, -- ends them) and the songs and folders to start with.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "midi/loop_settings.h"
#include "platform/synth_config.h"

// What --render asks for, and the options that shape a render or a play.
struct RenderRequest {
    std::string target;          // OUT, or FOLDER/ (ends with '/') for NAME.EXT files there
    std::string format = "wav";  // extension of the files in a target folder ("wav")
    int tempo_percent = 100;
    int transpose = 0;
    unsigned muted_channels = 0;  // bit n: channel n + 1
};

struct CommandLine {
    enum class Action { kRun, kHelp, kVersion, kListDevices, kListSoundFonts, kRender, kFail };
    Action action = Action::kRun;
    std::vector<std::string> paths;     // songs and folders, in the order given; each exists
    std::optional<std::string> device;  // --device ID as written
    std::optional<unsigned> device_id;  // the device it names, once resolved
    bool no_config = false;             // --no-config
    std::optional<LoopMode> loop_mode;  // --loop: off, N or forever
    std::optional<int> loop_count;      // --loop=N
    std::optional<int> fade_seconds;    // --fade
    bool no_mpris = false;              // --no-mpris
    // --soundfont FILE, the first given on top, and the synth settings
    // given (--reverb...); for this run they win over the kept ones.
    platform::SynthConfig synth;
    RenderRequest render;  // kRender's target; the sound's shape for both
    std::string message;   // kFail: the line for standard error (exit 2)

    // `kept` with what --loop and --fade say put over it.
    LoopSettings LoopSettingsOver(LoopSettings kept) const;
};

// Reads the options and checks that every path exists and may be read. The
// device is not looked up here (see ResolveDeviceOption).
CommandLine ParseCommandLine(int argc, char** argv);

// What main() parsed, for start-up; empty (kRun, no paths) until then.
const CommandLine& GetCommandLine();
void SetCommandLine(CommandLine line);

// The --help text.
const char* CommandLineHelp();
