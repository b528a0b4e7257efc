# Shared build settings and helpers.

set(GLIMMERDALE_WARNINGS -Wall -Wextra)

if(GLIMMERDALE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(GLIMMERDALE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "GLIMMERDALE_FUZZ needs clang (configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang)")
  endif()
  # Every library is instrumented so the fuzzer sees coverage inside the parsers. Every sanitizer
  # report ends the run (undefined behaviour would otherwise be printed and the run go on), so the
  # fuzzer keeps the input and fails.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# glimmerdale_subsystem(NAME [DEPS ...]): a static library gd_NAME from every .cpp in src/NAME/.
# New files in the folder are picked up at the next build without touching this file.
function(glimmerdale_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  add_library(gd_${name} STATIC ${sources})
  target_include_directories(gd_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(gd_${name} PRIVATE ${GLIMMERDALE_WARNINGS})
  target_compile_definitions(gd_${name} PUBLIC GL_GLEXT_PROTOTYPES=1)
  if(ARG_DEPS)
    target_link_libraries(gd_${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# glimmerdale_platform_backend(LINUX|WINDOWS [LIBS ...] [DEFINITIONS ...]), called from a backend
# folder's backend.cmake: every .cpp in that folder goes into gd_platform, with the libraries it
# calls, when the build is for that platform. platform_backend_built tells the caller whether it did.
function(glimmerdale_platform_backend platform)
  cmake_parse_arguments(ARG "" "" "LIBS;DEFINITIONS" ${ARGN})
  if(WIN32)
    set(building WINDOWS)
  else()
    set(building LINUX)
  endif()
  if(NOT platform STREQUAL building)
    set(platform_backend_built OFF PARENT_SCOPE)
    return()
  endif()
  # Inside a function this is still the folder of the backend.cmake that called it.
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  target_sources(gd_platform PRIVATE ${sources})
  target_link_libraries(gd_platform PUBLIC ${ARG_LIBS})
  target_compile_definitions(gd_platform PRIVATE ${ARG_DEFINITIONS})
  set(platform_backend_built ON PARENT_SCOPE)
endfunction()

# glimmerdale_test(NAME FOLDER [ISOLATED] [LABELS ...] [LIBS ...] [SOURCES ...]): one GoogleTest
# program from every .cpp in tests/FOLDER/ (or from SOURCES), registered with ctest. ISOLATED: it
# starts the screensaver, so it runs apart from every other copy on the machine (tests/support/isolated.sh).
function(glimmerdale_test name folder)
  cmake_parse_arguments(ARG "ISOLATED" "" "LABELS;LIBS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp)
  endif()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_compile_options(${name} PRIVATE ${GLIMMERDALE_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests
                             ${PROJECT_SOURCE_DIR}/tools)
  target_compile_definitions(${name} PRIVATE
    GLIMMERDALE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    GLIMMERDALE_BINARY_DIR="${PROJECT_BINARY_DIR}"
    GLIMMERDALE_EXE="$<TARGET_FILE:Glimmerdale>"
    GLIMMERDALE_CMAKE="${CMAKE_COMMAND}")
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  # Several test programs run the real screensaver; build it first so they never skip.
  add_dependencies(${name} Glimmerdale)
  if(ARG_ISOLATED AND NOT WIN32)
    add_test(NAME ${name} COMMAND bash ${PROJECT_SOURCE_DIR}/tests/support/isolated.sh $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 600
    ENVIRONMENT "MESA_SHADER_CACHE_DISABLE=true;SDL_AUDIODRIVER=dummy")
endfunction()
