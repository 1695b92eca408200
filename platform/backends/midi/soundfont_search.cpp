// Where SoundFonts are found: the Debian folders and the XDG data folders,
// the one beside a song, and the stack the synth loads.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "platform/synth_config.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// The fullest General MIDI SoundFont that still loads at once comes first.
const char* const kDefaultSoundFonts[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
};

bool IsRegularFile(const fs::path& path) {
    std::error_code failed;
    return fs::is_regular_file(path, failed);
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The SoundFonts directly in `folder`, by name.
std::vector<fs::path> SoundFontsIn(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code failed;
    for (fs::directory_iterator it(folder, failed), end; !failed && it != end;
         it.increment(failed)) {
        const fs::path path = it->path();
        if (IsSoundFontName(path.filename().string()) && IsRegularFile(path))
            found.push_back(path);
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

bool IsSoundFontName(const std::string& name) {
    const std::string lowered = Lowered(name);
    return lowered.size() > 4 && (lowered.ends_with(".sf2") || lowered.ends_with(".sf3"));
}

std::vector<std::string> SoundFontFolders(const char* xdg_data_home, const char* xdg_data_dirs,
                                          const char* home) {
    std::vector<std::string> folders = {"/usr/share/sounds/sf2", "/usr/share/sounds/sf3",
                                        "/usr/share/soundfonts"};
    // The base directory rules ignore relative entries.
    if (xdg_data_home != nullptr && xdg_data_home[0] == '/')
        folders.push_back((fs::path(xdg_data_home) / "soundfonts").string());
    else if (home != nullptr && home[0] != '\0')
        folders.push_back((fs::path(home) / ".local/share/soundfonts").string());
    const std::string dirs = xdg_data_dirs != nullptr && xdg_data_dirs[0] != '\0'
                                 ? xdg_data_dirs
                                 : "/usr/local/share:/usr/share";
    std::istringstream entries(dirs);
    for (std::string entry; std::getline(entries, entry, ':');)
        if (!entry.empty() && entry[0] == '/')
            folders.push_back((fs::path(entry) / "soundfonts").string());
    // /usr/share/soundfonts is named twice with the default data folders.
    std::vector<std::string> unique;
    for (const std::string& folder : folders)
        if (std::find(unique.begin(), unique.end(), folder) == unique.end())
            unique.push_back(folder);
    return unique;
}

std::vector<std::string> FindSoundFonts() {
    std::vector<std::string> found;
    std::set<fs::path> seen;  // canonical paths: a link to a listed file is the same file
    for (const std::string& folder : SoundFontFolders(
             std::getenv("XDG_DATA_HOME"), std::getenv("XDG_DATA_DIRS"), std::getenv("HOME"))) {
        std::vector<fs::path> here = SoundFontsIn(folder);
        // Real files before links, so the file is listed by its own name.
        std::stable_sort(here.begin(), here.end(), [](const fs::path& a, const fs::path& b) {
            std::error_code failed;
            return !fs::is_symlink(a, failed) && fs::is_symlink(b, failed);
        });
        for (const fs::path& path : here) {
            std::error_code failed;
            const fs::path real = fs::canonical(path, failed);
            if (!failed && seen.insert(real).second)
                found.push_back(path.string());
        }
    }
    return found;
}

std::string DefaultSoundFont() {
    for (const char* candidate : kDefaultSoundFonts)
        if (IsRegularFile(candidate))
            return candidate;
    return {};
}

std::string FolderSoundFont(const std::string& song_path) {
    // Absolute: the program changes its working folder as it browses.
    std::error_code failed;
    const fs::path song = fs::absolute(song_path, failed);
    if (failed)
        return {};
    for (const char* extension : {".sf2", ".sf3", ".SF2", ".SF3"}) {
        fs::path beside = song;
        beside.replace_extension(extension);
        if (IsRegularFile(beside))
            return beside.string();
    }
    const std::vector<fs::path> here = SoundFontsIn(song.parent_path());
    return here.size() == 1 ? here.front().string() : std::string();
}

std::vector<std::string> SoundFontStack(const SynthConfig& config) {
    std::vector<std::string> stack;
    if (!config.folder_soundfont.empty())
        stack.push_back(config.folder_soundfont);
    if (!config.soundfonts.empty()) {
        stack.insert(stack.end(), config.soundfonts.begin(), config.soundfonts.end());
    } else if (const char* chosen = std::getenv("NIVRA_SOUNDFONT");
               chosen != nullptr && *chosen != '\0') {
        stack.emplace_back(chosen);
    } else if (std::string fallback = DefaultSoundFont(); !fallback.empty()) {
        stack.push_back(std::move(fallback));
    }
    // A SoundFont named twice is loaded once, where it is highest.
    std::vector<std::string> unique;
    for (std::string& path : stack)
        if (std::find(unique.begin(), unique.end(), path) == unique.end())
            unique.push_back(std::move(path));
    return unique;
}

}  // namespace platform
