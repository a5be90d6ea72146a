# Installing and packaging quorl for Windows.
#
# `cpack -G ZIP` (the default here) makes two archives, each unpacking into
# a folder of its own name:
#   quorl-<version>-win64.zip       quorl.exe, README.md, LICENSE and the
#                                   manual as HTML (quorl.html, quorl.ja.html)
#   quorl-<version>-win64-dev.zip   lib/libquorl.a, lib/libquorl_classic.a,
#                                   include/quorl/*.h and lib/cmake/quorl/
#                                   (find_package(quorl) -> quorl::quorl,
#                                   quorl::classic)
# A 32-bit build names them win32. quorl.exe is linked statically: it runs
# with nothing beside it.
include(CMakePackageConfigHelpers)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QUORL_WINDOWS_ARCH win64)
else()
  set(QUORL_WINDOWS_ARCH win32)
endif()

foreach(lib quorl_lib quorl_classic)
  target_include_directories(${lib} PUBLIC $<INSTALL_INTERFACE:include>)
  target_compile_features(${lib} INTERFACE cxx_std_17)
endforeach()
set_target_properties(quorl_lib PROPERTIES EXPORT_NAME quorl)
set_target_properties(quorl_classic PROPERTIES EXPORT_NAME classic)

# The manual pages as HTML, made by mandoc from the same sources as the
# man pages.
find_program(QUORL_MANDOC mandoc REQUIRED)
set(QUORL_HTML_PAGES)
foreach(page "quorl.1;quorl.html" "ja/quorl.1;quorl.ja.html")
  list(GET page 0 src)
  list(GET page 1 out)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${out}
    COMMAND sh -c "\"$0\" -Thtml -Ios=quorl \"$1\" > \"$2\""
      ${QUORL_MANDOC} ${PROJECT_SOURCE_DIR}/man/${src} ${PROJECT_BINARY_DIR}/${out}
    DEPENDS ${PROJECT_SOURCE_DIR}/man/${src}
    COMMENT "Writing ${out}"
    VERBATIM)
  list(APPEND QUORL_HTML_PAGES ${PROJECT_BINARY_DIR}/${out})
endforeach()
add_custom_target(quorl_html ALL DEPENDS ${QUORL_HTML_PAGES})

install(TARGETS quorl RUNTIME DESTINATION . COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${QUORL_HTML_PAGES}
  DESTINATION . COMPONENT runtime)

install(TARGETS quorl_lib quorl_classic EXPORT quorlTargets
  ARCHIVE DESTINATION lib COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/quorl DESTINATION include
  COMPONENT development FILES_MATCHING PATTERN "*.h")
install(EXPORT quorlTargets NAMESPACE quorl:: FILE quorlTargets.cmake
  DESTINATION lib/cmake/quorl COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/quorlConfig.cmake.in
  ${PROJECT_BINARY_DIR}/quorlConfig.cmake INSTALL_DESTINATION lib/cmake/quorl)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/quorlConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/quorlConfig.cmake ${PROJECT_BINARY_DIR}/quorlConfigVersion.cmake
  DESTINATION lib/cmake/quorl COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT development)

set(CPACK_PACKAGE_NAME quorl)
set(CPACK_PACKAGE_VENDOR "The quorl developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR ZIP)
set(CPACK_STRIP_FILES ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_ARCHIVE_RUNTIME_FILE_NAME quorl-${PROJECT_VERSION}-${QUORL_WINDOWS_ARCH})
set(CPACK_ARCHIVE_DEVELOPMENT_FILE_NAME quorl-${PROJECT_VERSION}-${QUORL_WINDOWS_ARCH}-dev)
include(CPack)
