# Installing and packaging quorl.
#
# `cmake --install` lays out a prefix the way a Debian user expects:
#   bin/quorl                               the filter
#   <libdir>/libquorl.a, include/quorl/*.h  the library and its public headers
#                                           (libquorl.so.1 in a shared build)
#   <libdir>/libquorl_classic.a             the classic routines (quorl/classic.h)
#   <libdir>/cmake/quorl/                   find_package(quorl) -> quorl::quorl,
#                                           quorl::classic
#   <libdir>/pkgconfig/quorl.pc             pkg-config --cflags --libs quorl
#   <libdir>/pkgconfig/quorl-classic.pc     ... quorl-classic
#   share/man/man1, share/man/ja/man1       the manual, English and Japanese
#   share/bash-completion/completions/quorl option completion for bash
# The CMake package finds everything relative to where it is installed, and
# the pkg-config file is written as it is installed, naming that prefix, so
# one build tree installs under /usr (the .deb), /usr/local or any --prefix.
#
# `cpack -G DEB` turns that tree into Debian packages: quorl (the command,
# its manual and completion) and libquorl-dev (headers, CMake and pkg-config
# files, and libquorl.a); a shared build (-DBUILD_SHARED_LIBS=ON) adds
# libquorl1, which holds libquorl.so.1 with its shlibs file and ldconfig
# trigger, and leaves libquorl-dev the libquorl.so link. Run-time
# dependencies are computed by dpkg-shlibdeps; each package has its copyright
# file and Debian changelog. The packages are laid out under /usr whatever
# prefix the build was configured with. Build them from a Release build,
# which holds no debug sections for lintian to find unstripped.

# A Windows build is packaged as Windows users take a program: ZIP files.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cmake)
  return()
endif()

# On a multiarch system (Debian and its derivatives) the library and the
# files that describe it go to lib/<triplet> under every prefix, where
# GNUInstallDirs picks that folder under /usr alone: the Debian packages
# then hold the same tree whatever the configured prefix, and the compiler,
# the loader, pkg-config and find_package search /usr/local/lib/<triplet>
# too. A CMAKE_INSTALL_LIBDIR given on the command line still wins.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE})
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QUORL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quorl)
set(QUORL_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Programs built against the installed library write #include <quorl/quorl.h>
# (or <quorl/classic.h>), which needs C++17: a program that links either is
# compiled as C++17 at least, whatever its compiler defaults to.
foreach(lib quorl_lib quorl_classic)
  target_include_directories(${lib} PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_compile_features(${lib} INTERFACE cxx_std_17)
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
# The shared object and its soname link are what programs load (the libs
# component, Debian's libquorl1); the unversioned link is for linking them.
install(TARGETS quorl_lib quorl_classic EXPORT quorlTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libs
    NAMELINK_COMPONENT development)
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

# The pkg-config files name their prefix as a plain absolute path, so that
# pkg-config prints clean flags and leaves out the directories the compiler
# searches anyway (-I/usr/include). `cmake --install --prefix` and cpack
# choose the prefix only when they install, so the files are completed then:
# the prefix line is kept as a placeholder here and filled in by the install
# script. (cpack -G DEB installs into its staging tree through DESTDIR, with
# /usr as the prefix whatever the configured one.)
set(QUORL_PC_PREFIX "@QUORL_PC_PREFIX@")
foreach(pc quorl quorl-classic)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in
    ${PROJECT_BINARY_DIR}/${pc}.pc.in @ONLY)
  install(CODE "
    get_filename_component(QUORL_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)
    set(pc \"\$ENV{DESTDIR}\${QUORL_PC_PREFIX}/${QUORL_PKGCONFIG_DIR}/${pc}.pc\")
    message(STATUS \"Installing: \${pc}\")
    configure_file(\"${PROJECT_BINARY_DIR}/${pc}.pc.in\" \"\${pc}\" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${pc}\")
  " COMPONENT development)
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
set(QUORL_LIB_PACKAGE libquorl${PROJECT_VERSION_MAJOR})
set(QUORL_PACKAGES quorl:runtime libquorl-dev:development)
if(BUILD_SHARED_LIBS)
  list(APPEND QUORL_PACKAGES ${QUORL_LIB_PACKAGE}:libs)
endif()
foreach(package ${QUORL_PACKAGES})
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
if(BUILD_SHARED_LIBS)
  list(APPEND CPACK_COMPONENTS_ALL libs)
endif()
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

set(QUORL_ENGINE_DESCRIPTION "The quorl editing engine for C++17 programs: replacement rules, field
extraction and line rebuilding, compiled once and applied line by line to
text that may hold Shift_JIS.")
set(QUORL_DEV_LIBRARY "the static library (libquorl.a)")
if(BUILD_SHARED_LIBS)
  set(QUORL_DEV_LIBRARY "the link to the shared library (libquorl.so)")
endif()
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquorl-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "development files for the quorl library
${QUORL_ENGINE_DESCRIPTION}
This package holds ${QUORL_DEV_LIBRARY},
the public header, a CMake package (find_package(quorl), target
quorl::quorl) and a pkg-config file (quorl); and the classic routines
(libquorl_classic.a, quorl/classic.h, quorl::classic, quorl-classic).")

if(BUILD_SHARED_LIBS)
  # A program is linked against the very library this package describes.
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "${QUORL_LIB_PACKAGE} (= ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})")

  set(CPACK_DEBIAN_LIBS_PACKAGE_NAME ${QUORL_LIB_PACKAGE})
  set(CPACK_DEBIAN_LIBS_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_LIBS_DESCRIPTION "quorl library, run time
${QUORL_ENGINE_DESCRIPTION}
This package holds the shared library that programs built with
libquorl-dev load.")
  # Programs linked against libquorl.so.1 depend on this package at this
  # version or later (its shlibs file), and dpkg runs ldconfig once after
  # the packages that add or remove shared libraries (its trigger).
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  file(WRITE ${PROJECT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
  set(CPACK_DEBIAN_LIBS_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/triggers)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian/ldconfig_trigger.cmake)
endif()

include(CPack)
