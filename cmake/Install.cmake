# `make install` (cmake --install <build> --prefix <prefix>): the program, its
# icon, its desktop entry and the MIME package that gives *.kvi its type.
include(GNUInstallDirs)

install(TARGETS KorvalithWin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/KorvalithWin.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/KorvalithWin.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/KorvalithWin.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# Refresh the desktop's databases below the prefix, where the tools exist.
# A staged install (DESTDIR) leaves that to the package manager.
install(CODE "set(KORVALITH_DATADIR \"${CMAKE_INSTALL_DATADIR}\")")
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "")
    set(share "${CMAKE_INSTALL_PREFIX}/${KORVALITH_DATADIR}")
    foreach(step "update-mime-database;mime" "update-desktop-database;applications"
                 "gtk-update-icon-cache;-q;-t;icons/hicolor")
      list(POP_FRONT step tool)
      list(POP_BACK step folder)
      find_program(tool_path ${tool})
      if(tool_path)
        execute_process(COMMAND ${tool_path} ${step} "${share}/${folder}" OUTPUT_QUIET ERROR_QUIET)
      endif()
      unset(tool_path CACHE)
      unset(tool_path)
    endforeach()
  endif()
]])
