# Helpers for the top-level CMakeLists.txt.

include(GoogleTest)

set(GRINZO_CORE_LIBS "")
# The files that grinzo-assetgen makes and that sit beside every program.
set(GRINZO_ASSET_NAMES mouseicon.ico grinzo.ico gun.wav shotgun.wav machgun.wav)
set(GRINZO_FORBIDDEN_DIR ${CMAKE_CURRENT_LIST_DIR}/forbidden-headers)

# A stamp rebuilt whenever a core source changes: fails the build when a core
# source includes an operating-system or toolkit header. The include-path
# poison below catches <windows.h>, X11, Qt and SDL at compile time; this scan
# also catches the POSIX headers that the standard library itself needs and so
# cannot be poisoned.
set(GRINZO_CORE_DIRS
    src/ui/runtime src/ui/gdi src/ui/images src/ui/forms src/ui/layouts src/ui/headless
    src/sprites src/config src/game src/start src/replay)
set(_core_sources "")
foreach(dir IN LISTS GRINZO_CORE_DIRS)
  file(GLOB_RECURSE _found CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  list(APPEND _core_sources ${_found})
endforeach()
list(APPEND _core_sources ${CMAKE_SOURCE_DIR}/src/ui/platform.h)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/core-headers.stamp
  COMMAND ${CMAKE_COMMAND} -DSOURCES="${_core_sources}"
          -DSTAMP=${CMAKE_BINARY_DIR}/core-headers.stamp
          -P ${CMAKE_CURRENT_LIST_DIR}/CheckCoreHeaders.cmake
  DEPENDS ${_core_sources} ${CMAKE_CURRENT_LIST_DIR}/CheckCoreHeaders.cmake
  COMMENT "Checking that the portable core includes no operating-system header")
add_custom_target(grinzo_core_header_check DEPENDS ${CMAKE_BINARY_DIR}/core-headers.stamp)

# grinzo_core_subsystem(NAME DIR dir [DEPS other...])
# The objects grinzo_NAME of one core folder, from DIR/*.cpp (headers are
# included as "ui/gdi/gdi.h", "game/frm_grinzo.h", ... relative to src/).
# They all end up in the one library grinzo_core.
function(grinzo_core_subsystem name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${ARG_DIR}/*.cpp)
  if(_srcs)
    add_library(grinzo_${name} OBJECT ${_srcs})
    set(_scope PUBLIC)
  else()
    add_library(grinzo_${name} INTERFACE)
    set(_scope INTERFACE)
  endif()
  target_include_directories(grinzo_${name} ${_scope} ${CMAKE_SOURCE_DIR}/src)
  if(_srcs)
    # Searched before the system: a core source that includes <windows.h>,
    # X11, Qt or SDL gets a compile error naming the rule.
    target_include_directories(grinzo_${name} BEFORE PRIVATE ${GRINZO_FORBIDDEN_DIR})
    add_dependencies(grinzo_${name} grinzo_core_header_check)
  endif()
  foreach(dep IN LISTS ARG_DEPS)
    target_link_libraries(grinzo_${name} ${_scope} grinzo_${dep})
  endforeach()
  set(GRINZO_CORE_LIBS ${GRINZO_CORE_LIBS} grinzo_${name} PARENT_SCOPE)
endfunction()

# Cross-built test programs run under Wine with the loader of their bitness,
# in the build tree's own prefix unless WINEPREFIX names another.
function(grinzo_set_wine_emulator)
  if(NOT CMAKE_CROSSCOMPILING OR NOT WIN32)
    return()
  endif()
  math(EXPR _bits "${CMAKE_SIZEOF_VOID_P} * 8")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${_bits} ${CMAKE_BINARY_DIR}/wine-prefix
      PARENT_SCOPE)
endfunction()

# The pointer icon, the program icon and the three wave files, made by our own
# generator and copied next to every program in the build tree. A cross build
# runs the generator built for the machine it builds on (no emulator in the
# build): GRINZO_HOST_ASSETGEN names one already built, otherwise it is built
# in host-tools/ from the same sources with the host's compiler.
set(GRINZO_HOST_ASSETGEN "" CACHE FILEPATH
    "A cross build's asset generator for this machine (built in host-tools/ when empty)")
function(grinzo_generate_assets)
  set(_dir ${CMAKE_BINARY_DIR}/assets)
  list(TRANSFORM GRINZO_ASSET_NAMES PREPEND ${_dir}/ OUTPUT_VARIABLE _files)
  if(NOT CMAKE_CROSSCOMPILING)
    set(_generator grinzo-assetgen)
    set(_depends grinzo-assetgen)
  elseif(GRINZO_HOST_ASSETGEN)
    set(_generator ${GRINZO_HOST_ASSETGEN})
    set(_depends ${GRINZO_HOST_ASSETGEN})
  else()
    include(ExternalProject)
    set(_host ${CMAKE_BINARY_DIR}/host-tools)
    set(_generator ${_host}/bin/grinzo-assetgen)
    # The host build knows nothing of the toolchain file: it uses the host's
    # default compiler. It is built again whenever the cross build is, so
    # that a changed generator source is never missed (an up-to-date build
    # costs a moment).
    ExternalProject_Add(grinzo_host_assetgen
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${_host}
      CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DGRINZO_TESTS=OFF -DGRINZO_ASSETGEN_ONLY=ON
      BUILD_COMMAND ${CMAKE_COMMAND} --build ${_host} --target grinzo-assetgen
      BUILD_ALWAYS ON
      BUILD_BYPRODUCTS ${_generator}
      INSTALL_COMMAND ""
      STEP_TARGETS build)
    set(_depends grinzo_host_assetgen ${_generator})
  endif()
  add_custom_command(
    OUTPUT ${_files}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_dir}
    COMMAND ${_generator} ${_dir}
    DEPENDS ${_depends}
    COMMENT "Generating icons and sounds")
  add_custom_target(grinzo_assets ALL DEPENDS ${_files})
endfunction()

# grinzo_copy_assets(target): puts the generated assets beside the target's file.
function(grinzo_copy_assets target)
  add_dependencies(${target} grinzo_assets)
  list(TRANSFORM GRINZO_ASSET_NAMES PREPEND ${CMAKE_BINARY_DIR}/assets/ OUTPUT_VARIABLE _files)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_files} $<TARGET_FILE_DIR:${target}>)
endfunction()

function(grinzo_find_gtest)
  if(CMAKE_CROSSCOMPILING)
    # Debian ships GoogleTest as source; build it with the cross compiler.
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(t gtest gtest_main)
      target_compile_options(${t} PRIVATE -Wno-error)
      if(NOT TARGET GTest::${t})
        add_library(GTest::${t} ALIAS ${t})
      endif()
    endforeach()
  else()
    find_package(GTest REQUIRED)
  endif()
endfunction()

# One test program per subsystem: tests/NAME/*.cpp -> grinzo_NAME_tests.
function(grinzo_add_core_tests)
  foreach(lib IN LISTS GRINZO_CORE_LIBS)
    string(REPLACE "grinzo_" "" name ${lib})
    file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${name}/*.cpp)
    if(NOT _tests)
      continue()
    endif()
    add_executable(grinzo_${name}_tests ${_tests})
    target_include_directories(grinzo_${name}_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(grinzo_${name}_tests PRIVATE grinzo_core GTest::gtest_main)
    grinzo_copy_assets(grinzo_${name}_tests)
    grinzo_discover_tests(grinzo_${name}_tests ${name}
                          ENVIRONMENT "GRINZO_ASSETS=${CMAKE_BINARY_DIR}/assets")
  endforeach()
endfunction()

set(GRINZO_TEST_TIMEOUT 120 CACHE STRING "Seconds one test case may run before CTest stops it")

# grinzo_discover_tests(TARGET NAME [PROPERTIES...]): every GoogleTest case of
# TARGET becomes a CTest test of its own, NAME.Suite.Case, with its own
# timeout, so that a hung case fails alone and by name. The cases of one
# program never run side by side: some share their fixture's work folder.
# A cross build registers the program once, as NAME, with the timeout of all
# its cases: under Wine every process start costs most of a second, so one
# process a case would add about a minute to the run, and a hung case is
# still named by the last "[ RUN ]" line of the output CTest shows.
function(grinzo_discover_tests target name)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${target})
    math(EXPR _timeout "${GRINZO_TEST_TIMEOUT} * 5")
    set_tests_properties(${name} PROPERTIES TIMEOUT ${_timeout} ${ARGN})
    return()
  endif()
  gtest_discover_tests(${target}
    TEST_PREFIX "${name}."
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${GRINZO_TEST_TIMEOUT} RESOURCE_LOCK ${name} ${ARGN})
endfunction()
