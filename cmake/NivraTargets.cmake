# Helpers that turn the source folders into targets, so a new file needs no
# edit here: every .cpp of a folder joins that folder's library.

set_property(GLOBAL PROPERTY NIVRA_LIBRARIES "")

# Interface target with the flags every NIVRA target shares.
add_library(nivra_common INTERFACE)
target_include_directories(nivra_common INTERFACE ${CMAKE_SOURCE_DIR})
target_link_libraries(nivra_common INTERFACE Threads::Threads ${CMAKE_DL_LIBS})
target_compile_definitions(nivra_common INTERFACE
    NIVRA_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    NIVRA_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    NIVRA_VERSION_BUILD=${PROJECT_VERSION_PATCH})

# Libraries only the platform layer may use.
add_library(nivra_platform_deps INTERFACE)
target_link_libraries(nivra_platform_deps INTERFACE
    PkgConfig::SDL2 PkgConfig::FLUIDSYNTH PkgConfig::ALSA
    PkgConfig::FREETYPE PkgConfig::FONTCONFIG PkgConfig::PNG PkgConfig::SYSTEMD
    PkgConfig::SNDFILE)

# nivra_library(name folder [PLATFORM] [ALSO folders...]): a static library
# nivra_<name> from the .cpp files of the folder and of the ALSO folders. A
# folder with its own CMakeLists.txt defines the target itself and calls
# nivra_register_library.
function(nivra_library name folder)
    cmake_parse_arguments(ARG "PLATFORM" "" "ALSO" ${ARGN})
    set(dir ${CMAKE_SOURCE_DIR}/${folder})
    if(EXISTS ${dir}/CMakeLists.txt)
        add_subdirectory(${dir})
        return()
    endif()
    set(globs ${dir}/*.cpp)
    foreach(also ${ARG_ALSO})
        list(APPEND globs ${CMAKE_SOURCE_DIR}/${also}/*.cpp)
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${globs})
    if(NOT sources)
        return()
    endif()
    add_library(nivra_${name} STATIC ${sources})
    target_link_libraries(nivra_${name} PUBLIC nivra_common)
    if(ARG_PLATFORM)
        target_link_libraries(nivra_${name} PRIVATE nivra_platform_deps)
    endif()
    nivra_register_library(nivra_${name})
endfunction()

function(nivra_register_library target)
    set_property(GLOBAL APPEND PROPERTY NIVRA_LIBRARIES ${target})
endfunction()

# nivra_links(out name): what the program part of test folder or program
# `name` links, from the table in NivraLayers.cmake (the whole program when
# the table does not name it).
function(nivra_links out name)
    if(DEFINED NIVRA_TEST_LINKS_${name})
        set(${out} ${NIVRA_TEST_LINKS_${name}} PARENT_SCOPE)
    elseif(DEFINED NIVRA_PROGRAM_LINKS_${name})
        set(${out} ${NIVRA_PROGRAM_LINKS_${name}} PARENT_SCOPE)
    else()
        set(${out} nivra_app PARENT_SCOPE)
    endif()
endfunction()

# Paths a test may need: the build folder (nivra, librcpcv.so, palettes), the
# sources and the third-party test songs beside the project.
function(nivra_test_paths target)
    get_filename_component(testdata ${CMAKE_SOURCE_DIR}/../shared/testdata ABSOLUTE)
    target_compile_definitions(${target} PRIVATE
        NIVRA_BINARY_DIR="${CMAKE_BINARY_DIR}"
        NIVRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        NIVRA_TESTDATA_DIR="${testdata}")
endfunction()

# Test code is compiled without optimisation and with line tables only (the
# program's libraries keep the build's own flags): that compiles about five
# times faster, and stack traces still name files and lines.
set(NIVRA_TEST_COMPILE_OPTIONS -O0 -g1)

# One precompiled header of GoogleTest and the standard headers the tests use,
# made once and shared by every test program (they compile with the same
# flags, so the compiler accepts it; where it would not, it reads the headers
# as usual).
function(nivra_test_precompiled_header)
    if(TARGET nivra_test_pch OR NIVRA_FUZZ)
        return()
    endif()
    file(WRITE ${CMAKE_BINARY_DIR}/nivra_test_pch.cpp "// The shared test header's own unit.\n")
    add_library(nivra_test_pch OBJECT ${CMAKE_BINARY_DIR}/nivra_test_pch.cpp)
    target_link_libraries(nivra_test_pch PRIVATE nivra_common GTest::gtest GTest::gmock)
    # Compiled as the test programs are: position-independent executable code.
    set_target_properties(nivra_test_pch PROPERTIES POSITION_INDEPENDENT_CODE OFF)
    target_compile_options(nivra_test_pch PRIVATE ${NIVRA_TEST_COMPILE_OPTIONS} -fPIE)
    nivra_test_paths(nivra_test_pch)
    target_precompile_headers(nivra_test_pch PRIVATE
        <gtest/gtest.h> <gmock/gmock.h>
        <algorithm> <chrono> <cstdint> <cstdio> <cstring> <filesystem> <fstream> <functional>
        <map> <memory> <optional> <sstream> <string> <thread> <vector>)
endfunction()

# Test programs as one compiler run per folder (a unity build): their files
# share GoogleTest and the helpers, which take most of the compiler's time.
# scripts/test turns it on; off, an edit recompiles only the file edited.
option(NIVRA_UNITY_TESTS "build each test program as one unit" OFF)

# nivra_add_test(name LABELS... SOURCES...): one GoogleTest executable.
function(nivra_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LABELS" ${ARGN})
    nivra_test_precompiled_header()
    add_executable(${name} ${ARG_SOURCES})
    if(NIVRA_UNITY_TESTS)
        set_target_properties(${name} PROPERTIES UNITY_BUILD ON)
    endif()
    target_compile_options(${name} PRIVATE ${NIVRA_TEST_COMPILE_OPTIONS})
    # The first label is the test folder, which says what the test links.
    list(GET ARG_LABELS 0 folder)
    nivra_links(links ${folder})
    # SDL's flags define _REENTRANT, which the shared header was made without.
    if(NOT "PkgConfig::SDL2" IN_LIST links)
        target_precompile_headers(${name} REUSE_FROM nivra_test_pch)
    endif()
    target_link_libraries(${name} PRIVATE nivra_common ${links} GTest::gtest GTest::gmock
        GTest::gtest_main)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    nivra_test_paths(${name})
    if(TARGET nivra)
        add_dependencies(${name} nivra)
    endif()
    if(TARGET rcpcv)
        add_dependencies(${name} rcpcv)
    endif()
    # Discovered tests take one label: a list would be split into properties.
    list(GET ARG_LABELS -1 label)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${label} SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
    add_dependencies(nivra_tests ${name})
    if("threads" IN_LIST ARG_LABELS)
        add_dependencies(nivra_thread_tests ${name})
    endif()
endfunction()

# Every folder of tests/ becomes test_<folder>; files named *_threads_test.cpp
# form test_<folder>_threads, labelled "threads" for the ThreadSanitizer run.
# tests/fuzz holds libFuzzer targets; a folder with a CMakeLists.txt of its own
# is added as it is.
function(nivra_add_test_folders)
    # Every test program (and so all that the tests run), without the
    # benchmarks and tools that a whole build also makes.
    add_custom_target(nivra_tests)
    add_custom_target(nivra_thread_tests)
    add_custom_target(nivra_fuzzers)
    add_custom_target(nivra_benchmarks)
    file(GLOB folders LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tests/*)
    foreach(dir ${folders})
        if(NOT IS_DIRECTORY ${dir})
            continue()
        endif()
        get_filename_component(name ${dir} NAME)
        if(name STREQUAL "fuzz")
            nivra_add_fuzzers(${dir})
            continue()
        endif()
        if(NIVRA_FUZZ)
            continue()
        endif()
        if(EXISTS ${dir}/CMakeLists.txt)
            add_subdirectory(${dir})
            continue()
        endif()
        file(GLOB all CONFIGURE_DEPENDS ${dir}/*.cpp)
        file(GLOB threaded CONFIGURE_DEPENDS ${dir}/*_threads_test.cpp)
        set(plain ${all})
        if(threaded)
            list(REMOVE_ITEM plain ${threaded})
            nivra_add_test(test_${name}_threads SOURCES ${threaded} LABELS ${name} threads)
        endif()
        if(plain)
            nivra_add_test(test_${name} SOURCES ${plain} LABELS ${name})
            nivra_add_preloads(test_${name} ${dir})
        endif()
    endforeach()
endfunction()

# <folder>/*_preload.c: a library the folder's tests preload into the program
# (LD_PRELOAD) to hold it at a chosen call; test code only, never linked in.
function(nivra_add_preloads test dir)
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*_preload.c)
    foreach(source ${sources})
        get_filename_component(stem ${source} NAME_WE)
        add_library(${stem} SHARED ${source})
        target_link_libraries(${stem} PRIVATE ${CMAKE_DL_LIBS})
        set_target_properties(${stem} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY
            ${CMAKE_BINARY_DIR}/tests)
        add_dependencies(${test} ${stem})
    endforeach()
endfunction()

# tests/fuzz/fuzz_<what>.cpp: one libFuzzer executable each, built only with NIVRA_FUZZ.
function(nivra_add_fuzzers dir)
    if(NOT NIVRA_FUZZ)
        return()
    endif()
    file(GLOB targets CONFIGURE_DEPENDS ${dir}/fuzz_*.cpp)
    foreach(source ${targets})
        get_filename_component(stem ${source} NAME_WE)
        # A fuzzer may take single sources instead of their whole layer.
        list(TRANSFORM NIVRA_PROGRAM_SOURCES_${stem} PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE own)
        add_executable(${stem} ${source} ${own})
        nivra_links(links ${stem})
        target_link_libraries(${stem} PRIVATE nivra_common ${links})
        if(TARGET rcpcv_static)
            target_link_libraries(${stem} PRIVATE rcpcv_static)
        endif()
        target_link_options(${stem} PRIVATE -fsanitize=fuzzer)
        set_target_properties(${stem} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
        add_dependencies(nivra_fuzzers ${stem})
    endforeach()
endfunction()

# bench/bench_<what>.cpp: one program each (Google Benchmark where it is installed).
function(nivra_add_benchmarks)
    if(NIVRA_FUZZ)
        return()
    endif()
    file(GLOB programs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/bench_*.cpp)
    foreach(source ${programs})
        get_filename_component(stem ${source} NAME_WE)
        add_executable(${stem} ${source})
        # Optimised as the build is (a benchmark times what it calls), with
        # line tables only: enough for perf to name lines, a fifth quicker
        # to compile than full debug information.
        target_compile_options(${stem} PRIVATE -g1)
        add_dependencies(nivra_benchmarks ${stem})
        nivra_links(links ${stem})
        target_link_libraries(${stem} PRIVATE nivra_common ${links})
        if(TARGET benchmark::benchmark)
            target_link_libraries(${stem} PRIVATE benchmark::benchmark)
        endif()
        set_target_properties(${stem} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
        nivra_test_paths(${stem})
        if(TARGET nivra_palettes)
            add_dependencies(${stem} nivra_palettes)
        endif()
    endforeach()
    # Benchmarks that build the screen find the palette files beside them.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
    foreach(digit RANGE 9)
        file(CREATE_LINK ../nivra${digit}.act ${CMAKE_BINARY_DIR}/bench/nivra${digit}.act SYMBOLIC)
    endforeach()
endfunction()
