# Run by cpack once it has built the Debian packages (CPACK_POST_BUILD_SCRIPTS).
#
# CPack gives a package that ships a shared library under /usr/lib a postinst
# and a postrm that call ldconfig, the way packages did before dpkg had
# triggers. The library package activates the ldconfig trigger instead
# (its triggers file), so those two scripts are taken out again: the package
# is unpacked with dpkg-deb, loses them and is built again from the same
# files and control data. CPACK_DEBIAN_LIBS_PACKAGE_NAME names the package.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${deb}" NAME)
  if(NOT name MATCHES "^${CPACK_DEBIAN_LIBS_PACKAGE_NAME}_.*\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}"
    COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
