#include "app/command_line.h"

#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <set>

#include "app/song_render.h"
#include "platform/audio_render.h"

#include "app/synth_settings.h"

namespace {

CommandLine the_command_line;

enum LongOnly {
    kNoConfig = 256,
    kLoop,
    kFade,
    kNoMpris,
    kSoundFont,
    kListSoundFonts,
    kRender,
    kFormat,
    kTempo,
    kTranspose,
    kMute,
    kSynthSetting
};

// The synth settings' options come after kSynthSetting, in this order.
constexpr const char* kSynthOptions[] = {"reverb", "reverb-level", "chorus",        "chorus-level",
                                         "gain",   "polyphony",    "interpolation", "sample-rate"};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"list-devices", no_argument, nullptr, 'l'},
    {"device", required_argument, nullptr, 'd'},
    {"no-config", no_argument, nullptr, kNoConfig},
    {"loop", required_argument, nullptr, kLoop},
    {"fade", required_argument, nullptr, kFade},
    {"no-mpris", no_argument, nullptr, kNoMpris},
    {"soundfont", required_argument, nullptr, kSoundFont},
    {"list-soundfonts", no_argument, nullptr, kListSoundFonts},
    {"render", required_argument, nullptr, kRender},
    {"format", required_argument, nullptr, kFormat},
    {"tempo", required_argument, nullptr, kTempo},
    {"transpose", required_argument, nullptr, kTranspose},
    {"mute", required_argument, nullptr, kMute},
    {"reverb", required_argument, nullptr, kSynthSetting + 0},
    {"reverb-level", required_argument, nullptr, kSynthSetting + 1},
    {"chorus", required_argument, nullptr, kSynthSetting + 2},
    {"chorus-level", required_argument, nullptr, kSynthSetting + 3},
    {"gain", required_argument, nullptr, kSynthSetting + 4},
    {"polyphony", required_argument, nullptr, kSynthSetting + 5},
    {"interpolation", required_argument, nullptr, kSynthSetting + 6},
    {"sample-rate", required_argument, nullptr, kSynthSetting + 7},
    {nullptr, 0, nullptr, 0},
};
constexpr const char* kShortOptions = "+:hVld:";
constexpr const char* kTryHelp = " (try 'nivra --help')";

// The long name of the option getopt_long returned as `value`.
const char* LongName(int value) {
    for (const option& entry : kOptions)
        if (entry.val == value)
            return entry.name;
    return "";
}

CommandLine Failure(std::string text) {
    CommandLine line;
    line.action = CommandLine::Action::kFail;
    line.message = "nivra: " + std::move(text);
    return line;
}

// The argument at `index` without any "=value", for messages.
std::string WrittenOption(char** argv, int index) {
    std::string written = argv[index];
    const std::size_t equals = written.find('=');
    return equals == std::string::npos ? written : written.substr(0, equals);
}

// The whole of `text` as a number from `min` to `max`.
std::optional<int> NumberInRange(const char* text, int min, int max) {
    int number = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, number);
    if (text == end || error != std::errc() || stop != end || number < min || number > max)
        return std::nullopt;
    return number;
}

// Takes --loop's value into `line`; false when it is none of off, N, forever.
bool TakeLoopOption(const char* value, CommandLine& line) {
    if (std::strcmp(value, "off") == 0) {
        line.loop_mode = LoopMode::kOff;
    } else if (std::strcmp(value, "forever") == 0) {
        line.loop_mode = LoopMode::kForever;
    } else if (const auto count =
                   NumberInRange(value, LoopSettings::MIN_COUNT, LoopSettings::MAX_COUNT)) {
        line.loop_mode = LoopMode::kCount;
        line.loop_count = *count;
    } else {
        return false;
    }
    return true;
}

// Empty when `path` can be used: a readable file, or a folder that can be
// read and entered; else why not.
std::string PathProblem(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::strerror(errno);
    const int wanted = S_ISDIR(info.st_mode) ? (R_OK | X_OK) : R_OK;
    if (access(path.c_str(), wanted) != 0)
        return std::strerror(errno);
    if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode))
        return "not a file or folder";
    return {};
}

// "1,10,16": channels 1 to 16 as bits 0 to 15; none when any is not one.
std::optional<unsigned> ChannelMask(const std::string& text) {
    unsigned mask = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::optional<int> channel =
            NumberInRange(text.substr(start, comma - start).c_str(), 1, 16);
        if (!channel)
            return std::nullopt;
        mask |= 1u << (*channel - 1);
        start = comma + 1;
    }
    return mask;
}

// Checks the options that shape a render; an empty text when all are good.
std::string RenderOptionProblem(const char* name, const char* value, RenderRequest& render) {
    const std::string option = std::string("option '--") + name + "' ";
    if (std::strcmp(name, "render") == 0) {
        if (*value == '\0')
            return option + "needs a value";
        render.target = value;
    } else if (std::strcmp(name, "format") == 0) {
        render.format = value;
        for (char& letter : render.format)
            letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        if (!platform::AudioFileTypeOf("." + render.format))
            return option + "takes wav, flac, ogg or opus";
    } else if (std::strcmp(name, "tempo") == 0) {
        const std::optional<int> percent = NumberInRange(value, 25, 400);
        if (!percent)
            return option + "takes a percentage from 25 to 400";
        render.tempo_percent = *percent;
    } else if (std::strcmp(name, "transpose") == 0) {
        const std::optional<int> semitones = NumberInRange(value, -12, 12);
        if (!semitones)
            return option + "takes semitones from -12 to 12";
        render.transpose = *semitones;
    } else if (std::strcmp(name, "mute") == 0) {
        const std::optional<unsigned> mask = ChannelMask(value);
        if (!mask)
            return option + "takes channels 1 to 16, separated by commas";
        render.muted_channels |= *mask;
    }
    return {};
}

// The render's own checks once every option is read.
std::string RenderProblem(const CommandLine& line) {
    const RenderRequest& render = line.render;
    if (line.paths.empty())
        return "--render needs a song to render";
    const bool to_folder = render.target.back() == '/';
    if (!to_folder && line.paths.size() > 1)
        return "several songs render to a folder: end the --render target with '/'";
    const std::string extension = to_folder ? "." + render.format : render.target;
    const std::optional<platform::AudioFileType> type = platform::AudioFileTypeOf(extension);
    if (!type)
        return "cannot tell the audio format of '" + render.target +
               "' (end it with .wav, .flac, .ogg or .opus)";
    if (!platform::AudioFileTypeWritable(*type))
        return "this system's libsndfile cannot write " + extension.substr(extension.rfind('.'));
    std::set<std::string> targets;
    for (const std::string& path : line.paths) {
        struct stat info {};
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return "cannot render '" + path + "': a folder, not a song";
        // Two songs of one name from different folders would overwrite each other.
        if (!targets.insert(RenderTargetOf(render, path)).second)
            return "two songs would render to " + RenderTargetOf(render, path);
    }
    return {};
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine line;
    opterr = 0;  // the messages below say it in one line each
    optind = 0;  // a fresh scan each call
    for (int option; (option = getopt_long(argc, argv, kShortOptions, kOptions, nullptr)) != -1;) {
        switch (option) {
            case 'h':
                line.action = CommandLine::Action::kHelp;
                break;
            case 'V':
                if (line.action != CommandLine::Action::kHelp)
                    line.action = CommandLine::Action::kVersion;
                break;
            case 'l':
                if (line.action == CommandLine::Action::kRun)
                    line.action = CommandLine::Action::kListDevices;
                break;
            case 'd':
                line.device = optarg;
                break;
            case kNoConfig:
                line.no_config = true;
                break;
            case kLoop:
                if (!TakeLoopOption(optarg, line))
                    return Failure("option '--loop' takes off, 1 to 99 or forever, not '" +
                                   std::string(optarg) + "'" + kTryHelp);
                break;
            case kFade:
                line.fade_seconds = NumberInRange(optarg, 0, LoopSettings::MAX_FADE_SECONDS);
                if (!line.fade_seconds)
                    return Failure("option '--fade' takes seconds from 0 to 60, not '" +
                                   std::string(optarg) + "'" + kTryHelp);
                break;
            case kNoMpris:
                line.no_mpris = true;
                break;
            case kSoundFont:
                if (const std::string problem = PathProblem(optarg); !problem.empty())
                    return Failure("cannot open SoundFont '" + std::string(optarg) +
                                   "': " + problem);
                line.synth.soundfonts.emplace_back(optarg);
                break;
            case kListSoundFonts:
                if (line.action == CommandLine::Action::kRun)
                    line.action = CommandLine::Action::kListSoundFonts;
                break;
            case kRender:
            case kFormat:
            case kTempo:
            case kTranspose:
            case kMute: {
                const std::string problem =
                    RenderOptionProblem(LongName(option), optarg, line.render);
                if (!problem.empty())
                    return Failure(problem + kTryHelp);
                if (option == kRender && line.action == CommandLine::Action::kRun)
                    line.action = CommandLine::Action::kRender;
                break;
            }
            case ':':
                return Failure("option '" + WrittenOption(argv, optind - 1) + "' needs a value" +
                               kTryHelp);
            default: {
                if (option >= kSynthSetting && option < kSynthSetting + 8) {
                    const char* name = kSynthOptions[option - kSynthSetting];
                    std::string key = name;
                    std::replace(key.begin(), key.end(), '-', '_');
                    if (!TakeSynthSetting(key, optarg, line.synth))
                        return Failure("bad value '" + std::string(optarg) + "' for --" + name +
                                       kTryHelp);
                    break;
                }
                // A long option leaves optind past itself; a short one is
                // named by optopt.
                const std::string last = optind > 0 ? WrittenOption(argv, optind - 1) : "";
                if (optopt == 0)
                    return Failure("unknown option '" + last + "'" + kTryHelp);
                if (last.rfind("--", 0) == 0 && std::strchr(argv[optind - 1], '=') != nullptr)
                    return Failure("option '" + last + "' takes no value" + kTryHelp);
                return Failure(std::string("unknown option '-") + static_cast<char>(optopt) + "'" +
                               kTryHelp);
            }
        }
    }
    if (line.device && line.device->empty())
        return Failure(std::string("option '--device' needs a value") + kTryHelp);
    // Paths only matter when the program is to run.
    for (int i = optind; i < argc; ++i)
        line.paths.emplace_back(argv[i]);
    if (line.action == CommandLine::Action::kRun || line.action == CommandLine::Action::kRender) {
        for (const std::string& path : line.paths) {
            const std::string problem = PathProblem(path);
            if (!problem.empty())
                return Failure("cannot open '" + path + "': " + problem);
        }
    }
    if (line.action == CommandLine::Action::kRender) {
        const std::string problem = RenderProblem(line);
        if (!problem.empty())
            return Failure(problem);
    }
    return line;
}

LoopSettings CommandLine::LoopSettingsOver(LoopSettings kept) const {
    kept.mode = loop_mode.value_or(kept.mode);
    kept.count = loop_count.value_or(kept.count);
    kept.fade_seconds = fade_seconds.value_or(kept.fade_seconds);
    return kept;
}

const CommandLine& GetCommandLine() {
    return the_command_line;
}

void SetCommandLine(CommandLine line) {
    the_command_line = std::move(line);
}

const char* CommandLineHelp() {
    return "Usage: nivra [OPTION]... [PATH]...\n"
           "Full-screen, keyboard-driven player of Standard MIDI Files and RCP songs.\n"
           "\n"
           "A song PATH starts browsing in its folder and plays it at once; a folder\n"
           "PATH starts browsing there; several songs are played one after another.\n"
           "\n"
           "  -d, --device=ID     play on device ID, as --list-devices shows it\n"
           "  -l, --list-devices  list the MIDI-out devices (the F2 list) and exit\n"
           "      --no-config     neither read nor write the settings file\n"
           "      --loop=MODE     play songs with loop points straight through (off),\n"
           "                      their loop N times (1 to 99) then fade, or forever;\n"
           "                      for this run, over the kept setting (F3)\n"
           "      --fade=SECONDS  the fade after the last loop, 0 to 60 (default 8)\n"
           "      --no-mpris      do not offer the player to the desktop's media\n"
           "                      controls (MPRIS on the session bus)\n"
           "      --soundfont=FILE  play with SoundFont FILE (.sf2, .sf3); given more\n"
           "                      than once, the first given is on top\n"
           "      --list-soundfonts  list the SoundFonts found, '*' before those in\n"
           "                      use, and exit\n"
           "      --render=OUT    render the song to the audio file OUT (.wav, .flac,\n"
           "                      .ogg or .opus) instead of playing; OUT ending in '/'\n"
           "                      is a folder that gets one NAME.EXT file per song\n"
           "      --format=EXT    the files' type in a --render folder (wav)\n"
           "      --tempo=PERCENT --transpose=N --mute=CH,...\n"
           "                      tempo (25-400), semitones (-12-12) and muted channels\n"
           "                      (1-16) of the play or the render\n"
           "  -h, --help          show this help and exit\n"
           "  -V, --version       show the version and exit\n"
           "\n"
           "Software synth settings, for this run (unset: kept or default):\n"
           "      --reverb=on|off, --reverb-level=0..1\n"
           "      --chorus=on|off, --chorus-level=0..10\n"
           "      --gain=0..10    loudness at full volume (0.6)\n"
           "      --polyphony=N   voices at once, 1 to 65535 (256)\n"
           "      --interpolation=none|linear|4th|7th\n"
           "      --sample-rate=HZ  8000 to 96000 (the output's own, else 44100)\n"
           "\n"
           "Exit status: 0 when all went well, 1 when a song did not render, 2 for a\n"
           "bad option or path.\n"
           "Settings: $NIVRA_CONFIG, else $XDG_CONFIG_HOME/nivra/nivra.conf\n"
           "(~/.config/nivra/nivra.conf). See nivra(1) for the keys.\n";
}
