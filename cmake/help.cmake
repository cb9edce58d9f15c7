# The user manual: the HTML pages under help/ compiled into help.chm beside vantreo.exe.
find_program(CHMCMD_EXECUTABLE chmcmd)
if(NOT CHMCMD_EXECUTABLE)
  message(FATAL_ERROR "chmcmd not found; it comes with the Debian package fp-utils (tools/setup.sh installs it)")
endif()

file(GLOB HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
set(HELP_STAGE_DIR ${CMAKE_BINARY_DIR}/help)
set(HELP_FILE ${CMAKE_BINARY_DIR}/bin/help.chm)
# chmcmd writes the .chm next to the project file, so it compiles a copy in the build tree.
file(MAKE_DIRECTORY ${HELP_STAGE_DIR} ${CMAKE_BINARY_DIR}/bin)
add_custom_command(OUTPUT ${HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/help ${HELP_STAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${HELP_STAGE_DIR}/help.chm
  COMMAND ${CHMCMD_EXECUTABLE} --verbosity 1 vantreo.hhp
  COMMAND ${CMAKE_COMMAND} -E copy ${HELP_STAGE_DIR}/help.chm ${HELP_FILE}
  WORKING_DIRECTORY ${HELP_STAGE_DIR}
  DEPENDS ${HELP_SOURCES}
  COMMENT "Compiling the user manual help.chm"
  VERBATIM)
add_custom_target(help_manual ALL DEPENDS ${HELP_FILE})
add_dependencies(vantreo help_manual)
