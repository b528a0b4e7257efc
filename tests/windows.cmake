# The tests of the Windows build (included by tests/CMakeLists.txt when cross-compiling):
#   - the portable unit and GL tests, cross-built and run through Wine (CTest's emulator);
#   - the end-to-end tests of Glimmerdale.scr under Wine, a Linux program (tests/wine/) that the
#     native build makes; its path is GLIMMERDALE_WINE_TESTS.
# scripts/test-windows.sh runs them inside a virtual X server and a private Wine.

set(GLIMMERDALE_WINE_TESTS "" CACHE FILEPATH "The native build's test_wine program")

# Test files that need the Linux host: child processes and POSIX files (support/process.h), the
# XScreenSaver preferences file, the SDL and X11 backends (the XRandR gamma and its guardian process
# included), the FreeType font file, the settings file on disk. The settings folder is not
# cross-built at all: its tests exercise the file-backed store; the registry is tested under Wine
# end to end (tests/wine/).
set(linux_only_tests
  core/log_test.cpp app/single_instance_test.cpp app/xscreensaver_setup_test.cpp app/gl/run_frame_test.cpp
  platform/processes_test.cpp platform/gl/preview_window_test.cpp platform/gl/font_freetype_test.cpp
  platform/gamma_x11_test.cpp platform/restore_guardian_test.cpp platform/gl/crtc_gamma_test.cpp
  sound/sound_e2e_test.cpp sound/sound_sdl_disk_test.cpp
  display/gl/gl_window_test.cpp
  platform/system_sleep_gio_test.cpp)

# The tests build their fixtures with the file writers of the libraries below.
set(unit_libs gd_app gd_core gd_settings gd_media gd_gl gd_display gd_overlay gd_screenshot gd_model gd_scene
    gd_countdown gd_sound gd_platform gd_test_support gd_embedded_empty Vorbis::vorbisenc)
foreach(folder core app media gl display overlay model scene countdown sound platform
        app/gl media/gl gl/gl display/gl overlay/gl model/gl scene/gl countdown/gl platform/gl)
  string(REPLACE "/" "_" name ${folder})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  foreach(excluded ${linux_only_tests})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(NOT sources)
    continue()
  endif()
  add_executable(test_${name} ${sources})
  target_compile_options(test_${name} PRIVATE ${GLIMMERDALE_WARNINGS})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR}
                             ${PROJECT_SOURCE_DIR}/tools)
  target_compile_definitions(test_${name} PRIVATE GLIMMERDALE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    GLIMMERDALE_BINARY_DIR="${GLIMMERDALE_MEDIA_DIR}/.." GLIMMERDALE_EXE="$<TARGET_FILE:Glimmerdale>")
  target_link_libraries(test_${name} PRIVATE ${unit_libs} GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME test_${name} COMMAND test_${name})
  if(folder MATCHES "/gl$")
    set_tests_properties(test_${name} PROPERTIES LABELS "gl;windows" TIMEOUT 600 RESOURCE_LOCK wine_desktop)
  else()
    set_tests_properties(test_${name} PROPERTIES LABELS "unit;windows" TIMEOUT 600)
  endif()
endforeach()

# The stand-in for the display settings' preview area.
add_executable(preview_host ${CMAKE_CURRENT_SOURCE_DIR}/wine/windows/preview_host.cpp)
target_link_options(preview_host PRIVATE -municode)
target_link_libraries(preview_host PRIVATE gdi32 user32)

# Tells the running screensaver what Windows would say about power (Wine never does).
add_executable(power_broadcast ${CMAKE_CURRENT_SOURCE_DIR}/wine/windows/power_broadcast.cpp)
target_link_options(power_broadcast PRIVATE -municode)
target_link_libraries(power_broadcast PRIVATE user32)

# The Windows dialog toolkit over the program's real dialog resources (needs a display).
add_executable(test_settings_win32 ${CMAKE_CURRENT_SOURCE_DIR}/settings/win32/options_dialog_win32_test.cpp)
target_compile_options(test_settings_win32 PRIVATE ${GLIMMERDALE_WARNINGS})
target_include_directories(test_settings_win32 PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(test_settings_win32 PRIVATE gd_settings gd_core gd_platform gd_embedded GTest::gtest
                      GTest::gtest_main)
add_test(NAME test_settings_win32 COMMAND test_settings_win32)
set_tests_properties(test_settings_win32 PROPERTIES LABELS "gl;windows" TIMEOUT 600 RESOURCE_LOCK wine_desktop)

# Looks at the options dialog from another process, and stands in for the display settings page.
add_executable(dialog_probe ${CMAKE_CURRENT_SOURCE_DIR}/wine/windows/dialog_probe.cpp)
target_link_options(dialog_probe PRIVATE -municode)
target_link_libraries(dialog_probe PRIVATE comctl32 gdi32 user32)

if(NOT EXISTS "${GLIMMERDALE_WINE_TESTS}")
  message(FATAL_ERROR "GLIMMERDALE_WINE_TESTS must name the native build's test_wine program")
endif()
add_test(NAME test_wine COMMAND ${GLIMMERDALE_WINE_TESTS})
# The programs that open windows on Wine's desktop take turns (test_wine works them through X input);
# the unit tests run beside them. test_wine, the longest, starts first.
set_tests_properties(test_wine PROPERTIES LABELS "e2e;windows" TIMEOUT 900 COST 1000 RESOURCE_LOCK wine_desktop
  ENVIRONMENT
  "GLIMMERDALE_WINDOWS_EXE=$<TARGET_FILE:Glimmerdale>;GLIMMERDALE_PREVIEW_HOST=$<TARGET_FILE:preview_host>;GLIMMERDALE_MEDIA_DIR=${GLIMMERDALE_MEDIA_DIR};GLIMMERDALE_DIALOG_PROBE=$<TARGET_FILE:dialog_probe>;GLIMMERDALE_POWER_BROADCAST=$<TARGET_FILE:power_broadcast>;GLIMMERDALE_LINUX_EXE=${GLIMMERDALE_MEDIA_DIR}/../Glimmerdale.scr;GLIMMERDALE_INSTALLER=${GLIMMERDALE_INSTALLER};GLIMMERDALE_WINDOWS_BUILD_DIR=${PROJECT_BINARY_DIR}")
