# Installing and packaging quorl.
#
# `cmake --install` lays out a prefix the way a Debian user expects:
#   bin/quorl                               the filter
#   <libdir>/libquorl.a, include/quorl/*.h  the library and its public headers
#   <libdir>/libquorl_classic.a             the classic routines (quorl/classic.h)
#   <libdir>/cmake/quorl/                   find_package(quorl) -> quorl::quorl,
#                                           quorl::classic
#   <libdir>/pkgconfig/quorl.pc             pkg-config --cflags --libs quorl
#   <libdir>/pkgconfig/quorl-classic.pc     ... quorl-classic
#   share/man/man1, share/man/ja/man1       the manual, English and Japanese
#   share/bash-completion/completions/quorl option completion for bash
# The pkg-config file and the CMake package find everything relative to
# where they are installed, so the same tree works under /usr (the .deb),
# /usr/local or any --prefix.
#
# `cpack -G DEB` turns that tree into two Debian packages: quorl (the
# command, its manual and completion) and libquorl-dev (library, headers,
# CMake and pkg-config files), with the run-time dependencies computed by
# dpkg-shlibdeps, each with its copyright file and Debian changelog. Build
# them from a Release build configured with -DCMAKE_INSTALL_PREFIX=/usr:
# under that prefix GNUInstallDirs picks Debian's multiarch library folder
# (lib/<triplet>), where lintian expects the pkg-config file, and a
# Release build holds no debug sections for lintian to find unstripped.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QUORL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quorl)
set(QUORL_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Programs built against the installed library write #include <quorl/quorl.h>
# (or <quorl/classic.h>).
foreach(lib quorl_lib quorl_classic)
  target_include_directories(${lib} PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
endforeach()
set_target_properties(quorl_lib PROPERTIES EXPORT_NAME quorl)
set_target_properties(quorl_classic PROPERTIES EXPORT_NAME classic)

# A library built with the sanitizers needs their run-time libraries in
# every program that links it, so the installed package asks for them too.
set(QUORL_PC_EXTRA_LIBS "")
if(QUORL_SANITIZE)
  foreach(lib quorl_lib quorl_classic)
    target_link_options(${lib} INTERFACE $<INSTALL_INTERFACE:-fsanitize=address,undefined>)
  endforeach()
  set(QUORL_PC_EXTRA_LIBS " -fsanitize=address,undefined")
endif()

install(TARGETS quorl
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(TARGETS quorl_lib quorl_classic EXPORT quorlTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/quorl
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development
  FILES_MATCHING PATTERN "*.h")

# The CMake package: quorl::quorl, with a version file that accepts any
# request for the same major version.
install(EXPORT quorlTargets NAMESPACE quorl:: FILE quorlTargets.cmake
  DESTINATION ${QUORL_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/quorlConfig.cmake.in
  ${PROJECT_BINARY_DIR}/quorlConfig.cmake
  INSTALL_DESTINATION ${QUORL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/quorlConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/quorlConfig.cmake
  ${PROJECT_BINARY_DIR}/quorlConfigVersion.cmake
  DESTINATION ${QUORL_CMAKE_DIR} COMPONENT development)

# The pkg-config file locates the prefix from its own directory.
file(RELATIVE_PATH QUORL_PC_TO_PREFIX
  /prefix/${QUORL_PKGCONFIG_DIR} /prefix)
string(REGEX REPLACE "/$" "" QUORL_PC_TO_PREFIX "${QUORL_PC_TO_PREFIX}")
foreach(pc quorl quorl-classic)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc
    DESTINATION ${QUORL_PKGCONFIG_DIR} COMPONENT development)
endforeach()

# Manual pages go in compressed, as Debian ships them; man reads them as is.
set(QUORL_MAN_PAGES man/quorl.1 man/ja/quorl.1)
set(QUORL_MAN_OUTPUTS)
foreach(page ${QUORL_MAN_PAGES})
  set(src ${PROJECT_SOURCE_DIR}/${page})
  set(out ${PROJECT_BINARY_DIR}/${page}.gz)
  get_filename_component(out_dir ${out} DIRECTORY)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${src} ${out}
    DEPENDS ${src}
    COMMENT "Compressing ${page}"
    VERBATIM)
  list(APPEND QUORL_MAN_OUTPUTS ${out})
endforeach()
add_custom_target(quorl_man ALL DEPENDS ${QUORL_MAN_OUTPUTS})
install(FILES ${PROJECT_BINARY_DIR}/man/quorl.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT runtime)
install(FILES ${PROJECT_BINARY_DIR}/man/ja/quorl.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1 COMPONENT runtime)

install(FILES ${PROJECT_SOURCE_DIR}/completion/quorl
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)

# The project has no mail host of its own, so the address is a reserved
# .invalid name made from the project's name: it says who maintains the
# packages and promises no mailbox.
set(QUORL_PACKAGE_MAINTAINER "The quorl developers <quorl@quorl.invalid>"
  CACHE STRING "Maintainer field of the Debian packages")

# What Debian asks of every package in /usr/share/doc/<package>: the
# licence as a machine-readable copyright file, made from LICENSE, and
# the Debian changelog, compressed.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE QUORL_LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" QUORL_COPYRIGHT "${QUORL_LICENSE}")
set(QUORL_COPYRIGHT "${CMAKE_MATCH_1}")
string(FIND "${QUORL_LICENSE}" "Permission is hereby granted" QUORL_LICENSE_START)
string(SUBSTRING "${QUORL_LICENSE}" ${QUORL_LICENSE_START} -1 QUORL_LICENSE_TEXT)
string(STRIP "${QUORL_LICENSE_TEXT}" QUORL_LICENSE_TEXT)
string(REPLACE "\n\n" "\n.\n" QUORL_LICENSE_TEXT "${QUORL_LICENSE_TEXT}")
string(REPLACE "\n" "\n " QUORL_LICENSE_TEXT " ${QUORL_LICENSE_TEXT}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in
  ${PROJECT_BINARY_DIR}/debian/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in
  ${PROJECT_BINARY_DIR}/debian/changelog.Debian @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
  COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\""
    ${PROJECT_BINARY_DIR}/debian/changelog.Debian
    ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian
  COMMENT "Compressing the Debian changelog"
  VERBATIM)
add_custom_target(quorl_debian_changelog ALL
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
# These packages are built from the source tree, not uploaded to Debian, so
# their first changelog entry closes no "intent to package" bug; lintian is
# told so rather than given a made-up bug number.
foreach(package quorl:runtime libquorl-dev:development)
  string(REPLACE ":" ";" package "${package}")
  list(GET package 0 name)
  list(GET package 1 component)
  install(FILES ${PROJECT_BINARY_DIR}/debian/copyright
    ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${name} COMPONENT ${component})
  file(WRITE ${PROJECT_BINARY_DIR}/debian/${name}.lintian-overrides
    "# Not uploaded to Debian: there is no bug to close.\n"
    "${name}: initial-upload-closes-no-bugs\n")
  install(FILES ${PROJECT_BINARY_DIR}/debian/${name}.lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${name}
    COMPONENT ${component})
endforeach()

# Debian packages.
set(CPACK_PACKAGE_NAME quorl)
set(CPACK_PACKAGE_VENDOR "The quorl developers")
set(CPACK_PACKAGE_CONTACT "${QUORL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SOURCE quorl)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME quorl)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
# The first line of each description is the package's synopsis. No package
# summary is set: CPack would put it in front of both descriptions.
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
"line filter with a compact replacement and field language
quorl edits lines of text: it applies replacement rules written in a small
pattern language (character classes, whole words, captures, case
conversion), can restrict each rule to one separator-delimited field with
quoted fields kept whole, and can rebuild the line from its fields.
Text is handled as bytes that understand Shift_JIS: a double-byte
character is never split.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquorl-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
"static library and headers for quorl
The quorl editing engine as a static library (libquorl.a) with its public
header, a CMake package (find_package(quorl), target quorl::quorl) and a
pkg-config file (quorl); and the classic routines (libquorl_classic.a,
quorl/classic.h, quorl::classic, quorl-classic).")

include(CPack)
