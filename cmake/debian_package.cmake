# vemdrol-scan as a Debian package: the program, its manual pages, and the
# license texts where Debian keeps them. scripts/package builds it with
# `cpack -G DEB` from a VEMDROL_PACKAGE build.

# Directories in the package get the same permissions whatever the umask of
# the machine that builds it.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS vemdrol-scan RUNTIME DESTINATION bin)

# The manual pages, English and Japanese, with the project's version; Debian
# keeps manual pages compressed, and -n leaves the name and time out of the
# gzip header. man -L ja finds the Japanese one under share/man/ja.
set(manual_pages)
foreach(page_language en ja)
  if(page_language STREQUAL en)
    set(page_source docs/vemdrol-scan.1.in)
    set(page_folder share/man/man1)
  else()
    set(page_source docs/${page_language}/vemdrol-scan.1.in)
    set(page_folder share/man/${page_language}/man1)
  endif()
  set(page ${CMAKE_BINARY_DIR}/generated/${page_language}/vemdrol-scan.1)
  configure_file(${page_source} ${page} @ONLY)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND gzip -9 -n -c ${page} > ${page}.gz
    DEPENDS ${page}
    COMMENT "Compressing the manual page (${page_language})")
  install(FILES ${page}.gz DESTINATION ${page_folder})
  list(APPEND manual_pages ${page}.gz)
endforeach()
add_custom_target(vemdrol_manual_page ALL DEPENDS ${manual_pages})

# Debian's place for a package's license is its copyright file.
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/vemdrol-scan RENAME copyright)
install(FILES ${CMAKE_SOURCE_DIR}/THIRD-PARTY-NOTICES DESTINATION share/doc/vemdrol-scan)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vemdrol-scan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Vemdrol)
set(CPACK_PACKAGE_CONTACT Vemdrol)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "inventory of the programs installed on a Windows system that is not running")
# The summary above is the first line; CPack puts it there itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "vemdrol-scan lists the programs of a Wine prefix or of a mounted Windows
installation as Vemdrol's vemdrol.exe lists them on a running Windows: the
open command of every file type, every in-process COM server, each program
file's version, description and copyright, and the other program files in
those programs' folders. It writes CSV, tab-separated text, JSON, one HTML
page or vemdrol.exe's inventory file, and compares two inventories.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME "vemdrol-scan_${PROJECT_VERSION}_amd64.deb")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
# The dependencies are what the program links, as dpkg-shlibdeps finds them
# (libc6, libgcc-s1, libhivex0, libssl3, libstdc++6).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# control and md5sums with 644 and the maintainer scripts (none) with 755,
# as Debian wants them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# One compressor thread: the bytes of the package must not depend on the
# number of processors.
set(CPACK_THREADS 1)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
