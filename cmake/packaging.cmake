# Installing the two programs: `cmake --install` (and `make install`)
# puts them in bin/ and, on Linux, their manual pages, gzip-compressed, in
# share/man/man1/.

include(GNUInstallDirs)

if(WIN32)
  install(TARGETS quintrel tolvaric RUNTIME DESTINATION .)
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
endif()
