// The process entry: the command line, the one application object, then
// WinMain.
#include <cstdio>

#include "app/application.h"
#include "app/command_line.h"
#include "app/device_option.h"
#include "app/kept_settings.h"
#include "app/media_controls.h"
#include "app/song_render.h"
#include "app/sound_choice.h"
#include "midi/rcp_converter.h"
#include "midi/sequencer.h"
#include "system/sysinfo.h"

namespace {

// Constructed before main, as the program's one application.
CApplication application;

constexpr int kExitBadCommandLine = 2;

void PrintVersion() {
    LoadVersionNumbers();
    char version[96];
    FormatVersionLine(GetSysInfo(), version, sizeof version);
    std::printf("NIVRA %s\n", version);
}

// The settings file (unless --no-config) with the command line's synth
// settings over it, for a run that writes nothing.
KeptSettings ReadOnlySettings(const CommandLine& line) {
    KeptSettings kept;
    kept.Use({line.no_config ? std::string() : SettingsFilePath(), false, false, line.synth, {}});
    kept.Load();
    return kept;
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line = ParseCommandLine(argc, argv);
    switch (line.action) {
        case CommandLine::Action::kFail:
            std::fprintf(stderr, "%s\n", line.message.c_str());
            return kExitBadCommandLine;
        case CommandLine::Action::kHelp:
            std::fputs(CommandLineHelp(), stdout);
            return 0;
        case CommandLine::Action::kVersion:
            PrintVersion();
            return 0;
        case CommandLine::Action::kListDevices:
            for (const std::string& device : DeviceListLines())
                std::printf("%s\n", device.c_str());
            return 0;
        case CommandLine::Action::kListSoundFonts: {
            // In use: what this run would load, the settings file included.
            const KeptSettings kept = ReadOnlySettings(line);
            for (const std::string& soundfont : SoundFontListLines(kept.StartingSynth()))
                std::printf("%s\n", soundfont.c_str());
            return 0;
        }
        case CommandLine::Action::kRender: {
            // No window and no single-instance lock; the settings are read,
            // never written.
            const KeptSettings kept = ReadOnlySettings(line);
            return RenderSongs(line.render, line.paths, kept.StartingSynth(),
                               line.LoopSettingsOver(kept.LoopSettingsOver(LoopSettings{})));
        }
        case CommandLine::Action::kRun:
            break;
    }
    if (line.device) {
        line.device_id = ResolveDeviceOption(*line.device);
        if (!line.device_id) {
            std::fprintf(stderr, "nivra: no device '%s' (see nivra --list-devices)\n",
                         line.device->c_str());
            return kExitBadCommandLine;
        }
    }
    // --no-config: no settings file is read or written.
    application.UseKeptSettings({line.no_config ? std::string() : SettingsFilePath(),
                                 line.device_id.has_value(), !line.paths.empty(), line.synth,
                                 SongFolders(line.paths)});
    if (!line.no_mpris)
        AllowMediaControls();
    ApplyTransportOptions(GetSequencer(), line.render);
    SetCommandLine(std::move(line));

    platform::InstallCloseRequestSignals();
    GetRcpConverter();  // the converter library is loaded once, at start-up
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, 0);
}
