// `cmake --install` of this build: the program, its converter library and
// palettes in one folder, the command, the desktop entry, the menu icon, the
// RCP file type and the manual page.
#include <png.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "resources/program_resources.h"
#include "tests/rcp_e2e/rcp_song_fixture.h"

namespace {

namespace fs = std::filesystem;

// Runs `cmake --install` of this build into `prefix`, below `destdir` when one
// is given; true when it succeeded.
bool Install(const fs::path& prefix, const fs::path& destdir, const fs::path& output) {
    std::string command;
    if (!destdir.empty())
        command = "DESTDIR='" + destdir.string() + "' ";
    command += "'" NIVRA_CMAKE_COMMAND "' --install '" NIVRA_BINARY_DIR "' --prefix '" +
               prefix.string() + "' >'" + output.string() + "' 2>&1";
    return std::system(command.c_str()) == 0;
}

// The key=value lines of a desktop entry's main group.
std::map<std::string, std::string> ReadDesktopEntry(const fs::path& path) {
    std::map<std::string, std::string> keys;
    std::ifstream in(path);
    std::string line, group;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            group = line;
        } else if (group == "[Desktop Entry]" && line.find('=') != std::string::npos) {
            keys[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        }
    }
    return keys;
}

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

RgbaImage ReadRgbaPng(const fs::path& path) {
    RgbaImage image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return image;
    png.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr))
        return image;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels = std::move(pixels);
    return image;
}

// One installation shared by the tests of the suite.
class InstalledProgram : public rcp_e2e::SongFolder {
protected:
    static void SetUpTestSuite() {
        prefix_ = new e2e::ScratchFolder("nivra-prefix");
        installed_ = Install(prefix_->Path(), {}, prefix_->Path() / "install.log");
    }
    static void TearDownTestSuite() {
        delete prefix_;
        prefix_ = nullptr;
    }
    void SetUp() override {
        SongFolder::SetUp();
        ASSERT_TRUE(installed_) << e2e::ReadWholeFile(prefix_->Path() / "install.log");
    }

    static fs::path Prefix() { return prefix_->Path(); }

    static inline e2e::ScratchFolder* prefix_ = nullptr;
    static inline bool installed_ = false;
};

TEST_F(InstalledProgram, KeepsProgramLibraryAndPalettesTogetherBehindTheCommand) {
    const fs::path folder = Prefix() / "lib/nivra";
    EXPECT_EQ(access((folder / "nivra").c_str(), X_OK), 0);
    EXPECT_TRUE(fs::is_regular_file(folder / "librcpcv.so"));
    for (int digit = 0; digit <= 9; ++digit) {
        const fs::path palette = folder / ("nivra" + std::to_string(digit) + ".act");
        ASSERT_TRUE(fs::is_regular_file(palette)) << palette;
        EXPECT_EQ(fs::file_size(palette), 768u) << palette;
    }
    // A relative link: the program still finds its folder when the prefix moves.
    const fs::path command = Prefix() / "bin/nivra";
    ASSERT_TRUE(fs::is_symlink(command));
    EXPECT_TRUE(fs::read_symlink(command).is_relative());
    EXPECT_EQ(fs::canonical(command), fs::canonical(folder / "nivra"));
}

TEST_F(InstalledProgram, DesktopEntryStartsTheCommandAndNamesTheProgramsIcon) {
    auto entry = ReadDesktopEntry(Prefix() / "share/applications/nivra.desktop");
    EXPECT_EQ(entry["Type"], "Application");
    EXPECT_EQ(entry["Name"], "NIVRA");
    EXPECT_EQ(entry["Terminal"], "false");
    // Files from a file manager come as arguments, of every type the program plays.
    EXPECT_EQ(entry["Exec"], (Prefix() / "bin/nivra").string() + " %F");
    EXPECT_EQ(entry["MimeType"], "audio/midi;audio/x-midi;audio/x-rcp;");
    ASSERT_EQ(entry["Icon"], "nivra");

    // The menu icon is the window icon compiled into the program, pixel for pixel.
    const ProgramResource* icon = FindProgramResource(kIconResourceType, kIconResourceName);
    ASSERT_NE(icon, nullptr);
    const int width = icon->bytes[0] | icon->bytes[1] << 8;
    const int height = icon->bytes[2] | icon->bytes[3] << 8;
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    RgbaImage png = ReadRgbaPng(Prefix() / "share/icons/hicolor" / size / "apps/nivra.png");
    ASSERT_EQ(png.width, width);
    ASSERT_EQ(png.height, height);
    EXPECT_EQ(png.pixels, std::vector<uint8_t>(icon->bytes + 5, icon->bytes + icon->size));
}

TEST_F(InstalledProgram, ManualPageAndTheRcpFileTypeAreInstalled) {
    const std::string page = e2e::ReadWholeFile(Prefix() / "share/man/man1/nivra.1");
    EXPECT_NE(page, "");
    EXPECT_EQ(page, e2e::ReadWholeFile(NIVRA_SOURCE_DIR "/docs/nivra.1"));
    // The type the desktop entry names, as the file type database reads it:
    // by its names and by either magic string at the start of a file.
    if (std::system("command -v update-mime-database >/dev/null") != 0)
        GTEST_SKIP() << "no update-mime-database to read the file type with";
    e2e::ScratchFolder database("nivra-mime");
    fs::create_directories(database / "packages");
    fs::copy_file(Prefix() / "share/mime/packages/nivra.xml", database / "packages/nivra.xml");
    ASSERT_EQ(std::system(
                  ("update-mime-database '" + database.Path().string() + "' 2>/dev/null").c_str()),
              0);
    const std::string globs = e2e::ReadWholeFile(database / "globs2");
    for (const char* glob : {"*.rcp", "*.r36", "*.g18", "*.g36"})
        EXPECT_NE(globs.find(std::string("audio/x-rcp:") + glob + "\n"), std::string::npos) << glob;
    const std::string magic = e2e::ReadWholeFile(database / "magic");
    EXPECT_NE(magic.find("[50:audio/x-rcp]\n"), std::string::npos);
    for (const char* start : {"RCM-PC98V2.0(C)", "COME ON MUSIC RECOMPOSER RCP3.0"})
        EXPECT_NE(magic.find(start), std::string::npos) << start;
}

TEST_F(InstalledProgram, SoftwareCentreEntryIsValidAndNamesTheDesktopEntry) {
    const fs::path metainfo = Prefix() / "share/metainfo/nivra.metainfo.xml";
    ASSERT_TRUE(fs::is_regular_file(metainfo));
    const std::string command = "appstreamcli validate --no-net '" + metainfo.string() + "'";
    EXPECT_EQ(std::system((command + " >/dev/null").c_str()), 0)
        << "run " << command << " for the reasons";
    const std::string text = e2e::ReadWholeFile(metainfo);
    EXPECT_NE(text.find("<launchable type=\"desktop-id\">nivra.desktop</launchable>"),
              std::string::npos);
    const std::string version = std::to_string(NIVRA_VERSION_MAJOR) + "." +
                                std::to_string(NIVRA_VERSION_MINOR) + "." +
                                std::to_string(NIVRA_VERSION_BUILD);
    EXPECT_NE(text.find("<release version=\"" + version + "\""), std::string::npos) << version;
    // It provides the types the desktop entry opens.
    for (const char* type : {"audio/midi", "audio/x-midi", "audio/x-rcp"})
        EXPECT_NE(text.find(std::string("<mediatype>") + type + "</mediatype>"), std::string::npos)
            << type;
}

TEST_F(InstalledProgram, CommandPlaysASequenceFileWithTheInstalledConverterAndQuits) {
    const rcpcv_test::SmfFile converted = rcpcv_test::ConvertBytes(rcp_e2e::SequenceSong());
    ASSERT_EQ(converted.error, "");
    e2e::RunOptions options;
    options.working_folder = songs_.Path();
    options.program = Prefix() / "bin/nivra";
    options.removed_environment = {"LD_LIBRARY_PATH"};
    const int at = Open(options.script, 1500, 0, IndexOf(rcp_e2e::kSequenceName));
    options.script.push_back({at + 2500, "ESCAPE"});

    e2e::NivraProcess nivra(options);
    ASSERT_EQ(nivra.WaitForExit(), 0) << nivra.Stderr();
    EXPECT_EQ(rcp_e2e::NotesOf(e2e::ReadMidiLog(nivra.MidiLogPath())), rcp_e2e::NotesOf(converted));
}

TEST(StagedInstall, PutsFilesBelowDestdirAndNamesTheFinalPlaceInTheEntry) {
    e2e::ScratchFolder stage("nivra-stage");
    ASSERT_TRUE(Install("/opt/nivra", stage.Path(), stage / "install.log"))
        << e2e::ReadWholeFile(stage / "install.log");
    const fs::path root = stage / "opt/nivra";
    EXPECT_TRUE(fs::is_regular_file(root / "lib/nivra/nivra"));
    EXPECT_TRUE(fs::is_regular_file(root / "lib/nivra/librcpcv.so"));
    EXPECT_EQ(fs::read_symlink(root / "bin/nivra"), "../lib/nivra/nivra");
    EXPECT_EQ(ReadDesktopEntry(root / "share/applications/nivra.desktop")["Exec"],
              "/opt/nivra/bin/nivra %F");
    EXPECT_TRUE(fs::is_regular_file(root / "share/man/man1/nivra.1"));
    EXPECT_TRUE(fs::is_regular_file(root / "share/mime/packages/nivra.xml"));
}

}  // namespace
