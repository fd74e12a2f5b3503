# The Windows build's own part, included by the top CMakeLists.txt: the dependencies' DLLs beside
# the programs, so that they start from the build folder; the packer, its launcher and the
# licences it bundles; and the unit tests that need no window, run under Wine (the toolchain's
# emulator), on a static copy of the engine.
file(GLOB WINDOWS_DLLS ${DEMOHOST_WINDOWS_SYSROOT}/bin/*.dll)
foreach(dll ${WINDOWS_DLLS})
  configure_file(${dll} ${CMAKE_BINARY_DIR} COPYONLY)
endforeach()
file(GLOB WINDOWS_LICENCES ${DEMOHOST_WINDOWS_SYSROOT}/licenses/*.txt)
file(COPY ${WINDOWS_LICENCES} DESTINATION ${CMAKE_BINARY_DIR}/licenses)

add_executable(demohost-launcher src/pack/windows_launcher.cpp)
target_link_options(demohost-launcher PRIVATE ${WINDOWS_LINK_OPTIONS} -Wl,--subsystem,windows)
set(PACK_SYSTEM windows)
set(FONT_DIR ${CMAKE_SOURCE_DIR}/res/font)
configure_file(src/pack/demohost-pack ${CMAKE_BINARY_DIR}/demohost-pack @ONLY)

# The unit tests link the engine statically: the profiler's tests put an exact clock in place of
# its weak one, which only a static link lets them do (the DLL resolved its own calls).
add_library(engine_static STATIC ${ENGINE_SOURCES})
engine_usage(engine_static)
target_compile_definitions(engine_static PRIVATE DEMOHOST_STATIC_ENGINE)

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
add_executable(windows_unit_tests
  tests/tracks/tracks_test.cpp tests/live/editor_protocol_test.cpp tests/live/file_watch_test.cpp
  tests/live/live_pieces_test.cpp tests/audio/stream_control_test.cpp tests/audio/music_test.cpp
  tests/platform/platform_test.cpp tests/profile/profiler_test.cpp tests/profile/report_test.cpp
  tests/support/audio_files.cpp tests/support/fake_clock.cpp tests/support/fake_editor.cpp
  tests/support/gl.cpp
  tests/support/music_events.cpp)
target_include_directories(windows_unit_tests PRIVATE tests)
target_link_libraries(windows_unit_tests PRIVATE engine_static GTest::gtest_main)
target_link_options(windows_unit_tests PRIVATE ${WINDOWS_LINK_OPTIONS})
target_compile_definitions(windows_unit_tests PRIVATE DEMOHOST_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(windows_unit_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300
                     PROPERTIES TIMEOUT 120)
