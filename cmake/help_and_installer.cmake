# The help file, compiled from help/ with chmcmd (Debian's fp-utils) into
# Help\help.chm beside melkrin.exe, and the installer built with makensis
# (Debian's nsis) from installer/melkrin.nsi. Both tools are part of the
# Windows build: scripts/install-deps.sh installs them.
find_program(MELKRIN_CHMCMD chmcmd)
find_program(MELKRIN_MAKENSIS makensis)
if(NOT MELKRIN_CHMCMD OR NOT MELKRIN_MAKENSIS)
  message(FATAL_ERROR "The Windows build needs chmcmd (package fp-utils-3.2.2) and makensis (package nsis): "
                      "run scripts/install-deps.sh")
endif()

file(GLOB MELKRIN_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
set(MELKRIN_HELP_DIR ${CMAKE_BINARY_DIR}/Help)
set(MELKRIN_HELP_FILE ${MELKRIN_HELP_DIR}/help.chm)
# chmcmd writes its output into the working folder.
file(MAKE_DIRECTORY ${MELKRIN_HELP_DIR})
add_custom_command(OUTPUT ${MELKRIN_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${MELKRIN_HELP_FILE}
  COMMAND ${MELKRIN_CHMCMD} ${CMAKE_SOURCE_DIR}/help/help.hhp
  WORKING_DIRECTORY ${MELKRIN_HELP_DIR}
  DEPENDS ${MELKRIN_HELP_SOURCES}
  COMMENT "Compiling the help file Help/help.chm"
  VERBATIM)
add_custom_target(help_file ALL DEPENDS ${MELKRIN_HELP_FILE})
