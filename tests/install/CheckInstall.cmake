cmake_minimum_required(VERSION 3.25)
# Installs the build into PREFIX and checks the files a desktop needs.
# Usage: cmake -DBUILD_DIR=<build> -DPREFIX=<empty or disposable folder> -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "install failed (${result}):\n${output}")
endif()

foreach(expected bin/KorvalithWin
                 share/applications/KorvalithWin.desktop
                 share/mime/packages/KorvalithWin.xml
                 share/icons/hicolor/256x256/apps/KorvalithWin.png)
  if(NOT EXISTS "${PREFIX}/${expected}")
    message(FATAL_ERROR "not installed: ${expected}")
  endif()
endforeach()
execute_process(COMMAND test -x "${PREFIX}/bin/KorvalithWin" RESULT_VARIABLE not_executable)
if(not_executable)
  message(FATAL_ERROR "bin/KorvalithWin is not executable")
endif()

file(STRINGS "${PREFIX}/share/applications/KorvalithWin.desktop" entry)
foreach(line "Exec=KorvalithWin %f" "Icon=KorvalithWin" "MimeType=application/x-korvalith-image;")
  if(NOT line IN_LIST entry)
    message(FATAL_ERROR "desktop entry lacks '${line}'")
  endif()
endforeach()

# Where the MIME tool is installed, *.kvi must now have its type.
find_program(update_mime update-mime-database)
if(update_mime)
  file(READ "${PREFIX}/share/mime/globs2" globs)
  string(FIND "${globs}" "application/x-korvalith-image:*.kvi" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "share/mime/globs2 does not map *.kvi:\n${globs}")
  endif()
endif()
