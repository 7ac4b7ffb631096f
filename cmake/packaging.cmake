# Installing and packaging the two programs.  `cmake --install` (and
# `make install`) puts them in bin/ and, on Linux, their manual pages,
# gzip-compressed, in share/man/man1/.  CPack makes a Debian package of
# the Linux build and a zip of the Windows build: the two .exe files and
# a README in CR LF text.  Only the programs' targets are built for this;
# the tests stay out of the way (CMAKE_SKIP_INSTALL_ALL_DEPENDENCY).

include(GNUInstallDirs)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(PACKAGE_CONTACT "lattice-generation maintainers <maintainers@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

if(WIN32)
  install(TARGETS quintrel tolvaric RUNTIME DESTINATION .)
  # Windows' own line ends, whatever the checkout's.
  file(READ ${CMAKE_SOURCE_DIR}/doc/windows_readme.txt readme)
  string(REPLACE "\r\n" "\n" readme "${readme}")
  string(REPLACE "\n" "\r\n" readme "${readme}")
  file(WRITE ${CMAKE_BINARY_DIR}/README.txt "${readme}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${CMAKE_SOURCE_DIR}/doc/windows_readme.txt)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
  install(TARGETS quintrel tolvaric RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Compressed at configure time, so that installing needs no other target
  # than the programs; -n keeps the name and time out, for equal packages.
  foreach(page quintrel.1 tolvaric.1)
    set(source ${CMAKE_SOURCE_DIR}/doc/${page})
    set(compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
    execute_process(COMMAND gzip -9nc ${source} OUTPUT_FILE ${compressed}
                    RESULT_VARIABLE gzip_result)
    if(NOT gzip_result EQUAL 0)
      message(FATAL_ERROR "gzip failed on ${source}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_PACKAGE_NAME lattice-generation)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_CONTACT "${PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "random subsets that generate a powerset lattice")
set(CPACK_PACKAGE_DESCRIPTION
    "Two console programs that estimate how likely it is that k random
subsets of an n-element set generate the whole powerset lattice B_n,
with union and intersection as the operations.  Each draws as many
random k-tuples as asked, tests each by the separation criterion, and
reports how many generate and the seconds it took.

quintrel keeps subsets packed in bytes (n a multiple of 8) and runs on
the terminal, where Alt-R stops a long run; tolvaric accepts any n from
3 to 2000 and works over standard input and output, so that it can be
driven from a pipe.")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are read from the programs by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
