# The help file, compiled from help/ with chmcmd (Debian's fp-utils) into
# chm/help.chm of the build tree, and the installer built with makensis
# (Debian's nsis) from installer/melkrin.nsi. Both tools are part of the
# Windows build: scripts/install-deps.sh installs them.
find_program(MELKRIN_CHMCMD chmcmd)
find_program(MELKRIN_MAKENSIS makensis)
if(NOT MELKRIN_CHMCMD OR NOT MELKRIN_MAKENSIS)
  message(FATAL_ERROR "The Windows build needs chmcmd (package fp-utils-3.2.2) and makensis (package nsis): "
                      "run scripts/install-deps.sh")
endif()

file(GLOB MELKRIN_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
# Not "Help\" beside melkrin.exe: the tests that run the built program there
# need that folder missing (the download offer).
set(MELKRIN_HELP_DIR ${CMAKE_BINARY_DIR}/chm)
set(MELKRIN_HELP_FILE ${MELKRIN_HELP_DIR}/help.chm)
# chmcmd writes its output into the working folder.
add_custom_command(OUTPUT ${MELKRIN_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MELKRIN_HELP_DIR}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${MELKRIN_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -E chdir ${MELKRIN_HELP_DIR} ${MELKRIN_CHMCMD} ${CMAKE_SOURCE_DIR}/help/help.hhp
  DEPENDS ${MELKRIN_HELP_SOURCES}
  COMMENT "Compiling the help file chm/help.chm"
  VERBATIM)
add_custom_target(help_file ALL DEPENDS ${MELKRIN_HELP_FILE})

# The installer. The demos it delivers are the stand-in game's own unless a
# maker points MELKRIN_DEMOS_DIR at the real game's three demo files.
set(MELKRIN_DEMOS_DIR ${CMAKE_SOURCE_DIR}/tests/standin_game/demos CACHE PATH
    "Folder holding Demo_0001.dem, Demo_0002.dem and Demo_0003.dem for the installer")
set(MELKRIN_INSTALLER ${CMAKE_BINARY_DIR}/Melkrin-${PROJECT_VERSION}-setup.exe)
add_custom_command(OUTPUT ${MELKRIN_INSTALLER}
  COMMAND ${MELKRIN_MAKENSIS} -V2 -NOCD
          -DVERSION=${PROJECT_VERSION}
          -DFILEVERSION=${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0
          -DMELKRIN_EXE=$<TARGET_FILE:melkrin>
          -DHELP_FILE=${MELKRIN_HELP_FILE}
          -DDEMOS_DIR=${MELKRIN_DEMOS_DIR}
          -DOUTFILE=${MELKRIN_INSTALLER}
          ${CMAKE_SOURCE_DIR}/installer/melkrin.nsi
  DEPENDS melkrin ${MELKRIN_HELP_FILE} ${CMAKE_SOURCE_DIR}/installer/melkrin.nsi
          ${MELKRIN_DEMOS_DIR}/Demo_0001.dem ${MELKRIN_DEMOS_DIR}/Demo_0002.dem ${MELKRIN_DEMOS_DIR}/Demo_0003.dem
  COMMENT "Building the installer Melkrin-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${MELKRIN_INSTALLER})
