# Shipping: the version resource's numbers, and a Windows installer made by
# CPack with NSIS (`cpack -G NSIS` in the build folder). The installer puts
# vantreo.exe, help.chm and icon.png into one program folder, adds a Start-menu
# shortcut and an uninstaller. The recovery engine is installed separately and
# is not part of this package.
configure_file(${CMAKE_SOURCE_DIR}/cmake/version.h.in ${GENERATED_DIR}/version.h @ONLY)

install(TARGETS vantreo RUNTIME DESTINATION . COMPONENT program)
install(FILES ${CMAKE_BINARY_DIR}/bin/help.chm ${CMAKE_BINARY_DIR}/bin/icon.png DESTINATION . COMPONENT program)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME "Vantreo")
set(CPACK_PACKAGE_VENDOR "Norvale")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Brings back deleted pictures and other files from disks and memory cards")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "vantreo-${PROJECT_VERSION}-setup")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Norvale Vantreo")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Norvale Vantreo")
# Only the program's own files, whatever else the build tree may install.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Vantreo;program;/")
# Start-menu shortcut: executable name without ".exe", then the shortcut's text.
set(CPACK_PACKAGE_EXECUTABLES "vantreo;Norvale Vantreo")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ".")
set(CPACK_NSIS_PACKAGE_NAME "Norvale Vantreo")
set(CPACK_NSIS_DISPLAY_NAME "Norvale Vantreo")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${GENERATED_DIR}/app.ico)
set(CPACK_NSIS_MUI_UNIICON ${GENERATED_DIR}/app.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME "vantreo.exe")
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# A 64-bit installer, like the program: it runs where only 64-bit Windows
# programs run (a 64-bit Wine without its 32-bit half, for one).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
# The copy of the engine the program made under the machine's program data,
# and the digest it keeps for the whole machine, go with the program. (The
# engine the user installed, and its data folder, are the user's.)
# CPack writes the text into its configuration unescaped: single quotes only.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [=[
  SetShellVarContext all
  RMDir /r '$APPDATA\Norvale\Vantreo\engine'
  RMDir '$APPDATA\Norvale\Vantreo'
  RMDir '$APPDATA\Norvale'
  SetRegView 64
  DeleteRegValue HKLM 'Software\Norvale\Vantreo' 'EngineDigest'
  DeleteRegKey /ifempty HKLM 'Software\Norvale\Vantreo'
  DeleteRegKey /ifempty HKLM 'Software\Norvale'
]=])
include(CPack)

# The installer's own test: build it, install silently under Wine, start the
# installed program, uninstall. Declared here as well because the top level
# declares the option only after including this file.
option(VANTREO_TESTS "Build the tests" ON)
if(VANTREO_TESTS)
  enable_testing()
  add_executable(launch_check tests/installer/launch_check.cpp)
  target_include_directories(launch_check PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(launch_check PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/installer)
  add_test(NAME Installer.InstallStartAndUninstall
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/installer/installer_test.sh
            ${CMAKE_BINARY_DIR} ${CMAKE_CPACK_COMMAND} $<TARGET_FILE:launch_check>)
  set_tests_properties(Installer.InstallStartAndUninstall PROPERTIES TIMEOUT 120 LABELS installer)
endif()
