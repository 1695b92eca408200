# The layers of the program and what each library links: every arrow points
# down (app -> panels, views -> midi, gfx, display, system -> platform;
# resources below gfx), so a call upwards fails to link. PUBLIC where a
# library's headers show the lower layer's types. scripts/check_layers keeps
# the same table for the includes.

# The platform areas, one per public header.
target_link_libraries(nivra_platform_files PRIVATE nivra_platform_codepage)
target_link_libraries(nivra_platform_kernel PRIVATE nivra_platform_files)
target_link_libraries(nivra_platform_message PRIVATE nivra_platform_kernel nivra_platform_codepage
    nivra_platform_report)
target_link_libraries(nivra_platform_gdi PRIVATE nivra_platform_codepage nivra_platform_report)
target_link_libraries(nivra_platform_ddraw PRIVATE nivra_platform_gdi)
target_link_libraries(nivra_platform_user PRIVATE nivra_platform_message nivra_platform_ddraw
    nivra_platform_report nivra_platform_codepage)
target_link_libraries(nivra_platform_winmm PRIVATE nivra_platform_report nivra_platform_files)
target_link_libraries(nivra_platform_mpris PRIVATE nivra_platform_report)

# The program's subsystems.
target_link_libraries(nivra_system PUBLIC nivra_platform_kernel)
target_link_libraries(nivra_display PUBLIC nivra_platform_ddraw nivra_platform_kernel
    PRIVATE nivra_platform_files nivra_platform_message nivra_platform_winmm)
target_link_libraries(nivra_gfx PUBLIC nivra_display nivra_platform_gdi nivra_platform_kernel
    PRIVATE nivra_resources nivra_platform_files)
target_link_libraries(nivra_midi PUBLIC nivra_platform_winmm nivra_platform_kernel
    PRIVATE nivra_platform_files nivra_platform_codepage)
target_link_libraries(nivra_views PUBLIC nivra_gfx nivra_midi
    PRIVATE nivra_display nivra_platform_message nivra_platform_user nivra_platform_files)
target_link_libraries(nivra_panels PUBLIC nivra_gfx nivra_midi
    PRIVATE nivra_display nivra_system nivra_platform_codepage nivra_platform_files
    nivra_platform_user)
target_link_libraries(nivra_app PUBLIC nivra_panels nivra_views nivra_system
    nivra_platform_message nivra_platform_user PRIVATE nivra_platform_ddraw nivra_platform_files
    nivra_platform_mpris nivra_platform_codepage)

# What each folder of tests/ links: its own subsystem and what lies below it.
# End-to-end folders run the program and read its screenshots (libpng).
set(NIVRA_TEST_LINKS_app nivra_app)
set(NIVRA_TEST_LINKS_bench_support nivra_gfx nivra_midi)
set(NIVRA_TEST_LINKS_browsing nivra_panels)
set(NIVRA_TEST_LINKS_browsing_e2e nivra_gfx PkgConfig::PNG)
set(NIVRA_TEST_LINKS_display nivra_display)
set(NIVRA_TEST_LINKS_files nivra_platform_files)
set(NIVRA_TEST_LINKS_first_run_e2e nivra_platform_winmm PkgConfig::PNG)
set(NIVRA_TEST_LINKS_gdi nivra_platform_gdi nivra_platform_ddraw)
set(NIVRA_TEST_LINKS_gfx nivra_gfx nivra_resources)
set(NIVRA_TEST_LINKS_install nivra_resources PkgConfig::PNG)
set(NIVRA_TEST_LINKS_kernel nivra_platform_kernel nivra_platform_message
    nivra_platform_codepage)
set(NIVRA_TEST_LINKS_midi nivra_midi)
set(NIVRA_TEST_LINKS_monitors nivra_app)
set(NIVRA_TEST_LINKS_monitors_e2e nivra_gfx nivra_platform_winmm PkgConfig::PNG)
set(NIVRA_TEST_LINKS_mpris_e2e "")
set(NIVRA_TEST_LINKS_palettes "")
set(NIVRA_TEST_LINKS_rcp_binding nivra_midi)
set(NIVRA_TEST_LINKS_rcp_e2e PkgConfig::PNG)
set(NIVRA_TEST_LINKS_render_e2e PkgConfig::SNDFILE)
set(NIVRA_TEST_LINKS_screen_e2e PkgConfig::PNG)
set(NIVRA_TEST_LINKS_settings_e2e nivra_gfx nivra_platform_winmm PkgConfig::PNG)
set(NIVRA_TEST_LINKS_strings nivra_gfx)
set(NIVRA_TEST_LINKS_video nivra_platform_user nivra_platform_ddraw nivra_platform_message
    PkgConfig::SDL2)
set(NIVRA_TEST_LINKS_views nivra_views)
set(NIVRA_TEST_LINKS_winmm nivra_midi nivra_platform_winmm)

# Benchmarks and fuzzers by name; a benchmark not named links the whole program.
set(NIVRA_PROGRAM_LINKS_bench_browsing nivra_panels)
set(NIVRA_PROGRAM_LINKS_bench_load nivra_midi)
set(NIVRA_PROGRAM_LINKS_bench_lyrics nivra_panels)
set(NIVRA_PROGRAM_LINKS_bench_playback nivra_midi)
set(NIVRA_PROGRAM_LINKS_bench_onset "")
set(NIVRA_PROGRAM_LINKS_bench_render "")
set(NIVRA_PROGRAM_LINKS_bench_rcpcv "")
set(NIVRA_PROGRAM_LINKS_bench_soundfonts nivra_platform_winmm)
set(NIVRA_PROGRAM_LINKS_bench_first_note "")
set(NIVRA_PROGRAM_LINKS_fuzz_names nivra_platform_files nivra_platform_codepage)
set(NIVRA_PROGRAM_LINKS_fuzz_palette nivra_display)
set(NIVRA_PROGRAM_LINKS_fuzz_rcpcv "")
# The settings reader alone, without the player it belongs to: the fuzz build
# then leaves the app and views layers out.
set(NIVRA_PROGRAM_LINKS_fuzz_settings "")
set(NIVRA_PROGRAM_SOURCES_fuzz_settings app/settings_text.cpp app/synth_settings.cpp)
set(NIVRA_PROGRAM_LINKS_fuzz_smf nivra_midi)
# The document viewer's line building alone, without the panel around it.
set(NIVRA_PROGRAM_LINKS_fuzz_text "")
set(NIVRA_PROGRAM_SOURCES_fuzz_text panels/text_line_builder.cpp)
