# The tests of a Windows build, run under Wine (CMAKE_CROSSCOMPILING_EMULATOR).
#
# The modules' unit tests are built for Windows with GoogleTest from
# Debian's sources (package googletest). The command line's transcripts
# are not built here: their harness starts quorl the POSIX way, so the
# host build runs them against quorl.exe (tools/test.sh sets
# QUORL_TEST_EXE and QUORL_TEST_RUNNER); cli/windows.txt lists, with the
# reason, the transcripts that must differ on Windows.
#
# Left out here, and why:
#   support/memory_test.cc  limits the address space with setrlimit, which
#                           Windows has not; the exhaustion paths are the
#                           same code on both systems.
#   extract/encodings_test.cc  makes its fixtures with iconv(3), which
#                           MinGW-w64 has not; the transcripts under Wine
#                           run the encodings through quorl.exe.
#   driver/                 runs the command line in-process with fork.
set(QUORL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources, for a cross build")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${QUORL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

foreach(module support util replace extract)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${module}/*.cc)
  list(FILTER sources EXCLUDE REGEX "/support/memory_test\\.cc$|/extract/encodings_test\\.cc$")
  add_executable(test_${module} ${sources})
  target_include_directories(test_${module} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(test_${module} PRIVATE quorl_driver gtest gtest_main)
  target_compile_definitions(test_${module} PRIVATE QUORL_BIN="$<TARGET_FILE:quorl>")
  target_compile_options(test_${module} PRIVATE -Wno-restrict)
  target_link_options(test_${module} PRIVATE -static)
  gtest_discover_tests(test_${module} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300)
endforeach()

# Windows' own tests: quorl.exe run as a Windows program (line ends, the
# wide command line, --in-place).
# Under Wine a Linux path is reached through drive Z:.
set(QUORL_EXE_PATH $<TARGET_FILE:quorl>)
if(CMAKE_CROSSCOMPILING)
  set(QUORL_EXE_PATH Z:$<TARGET_FILE:quorl>)
endif()
add_executable(test_windows windows/program_test.cc)
target_link_libraries(test_windows PRIVATE quorl_lib gtest gtest_main)
target_compile_definitions(test_windows PRIVATE QUORL_BIN="${QUORL_EXE_PATH}")
target_link_options(test_windows PRIVATE -static)
add_dependencies(test_windows quorl)
gtest_discover_tests(test_windows DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300)
