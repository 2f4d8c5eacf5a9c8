# The Windows installer: zuno.exe with the Qt libraries and plugins it loads and the compiler's runtime, in
# Program Files\Murmelo; a Start-menu entry "Murmelo"; autostart through the user's Run key; an uninstaller.
# Made with CPack's NSIS generator (Debian's makensis); a 64-bit installer, since the program is one.

install(TARGETS zuno RUNTIME DESTINATION .)

# Qt: the libraries, the Windows platform plugin, the native style and the image formats.
foreach(module Core Gui Widgets Network)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()
set(ZUNO_QT_PLUGINS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
install(FILES ${ZUNO_QT_PLUGINS}/platforms/qwindows.dll DESTINATION platforms)
install(FILES ${ZUNO_QT_PLUGINS}/styles/qwindowsvistastyle.dll DESTINATION styles)
install(DIRECTORY ${ZUNO_QT_PLUGINS}/imageformats/ DESTINATION imageformats FILES_MATCHING PATTERN "*.dll")

# The runtime of the -posix mingw-w64 compilers.
foreach(runtime libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${runtime_path}" OR NOT EXISTS "${runtime_path}")
        message(FATAL_ERROR "The compiler's runtime ${runtime} was not found")
    endif()
    install(FILES ${runtime_path} DESTINATION .)
endforeach()

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Murmelo)
set(CPACK_PACKAGE_VENDOR Bravik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "Murmelo-${PROJECT_VERSION}-setup")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "talk client and talk daemon for the notification area")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Murmelo)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Murmelo)
# Start menu: "Murmelo" starts zuno.exe.
set(CPACK_PACKAGE_EXECUTABLES zuno Murmelo)
set(CPACK_NSIS_DISPLAY_NAME Murmelo)
set(CPACK_NSIS_PACKAGE_NAME Murmelo)
set(CPACK_NSIS_INSTALLED_ICON_NAME zuno.exe)
set(CPACK_NSIS_MUI_ICON ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/zuno.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/zuno.ico)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit installer (the stubs and plugins of Debian's nsis include amd64-unicode).
set(CPACK_NSIS_DEFINES "Unicode true\n  Target amd64-unicode")
# Autostart with the user's session, as the program's Uninstall undoes it (the value "Murmelo" of the Run key). The
# uninstaller removes it too, with the program's settings (the registry key Bravik\ZUNO, and Bravik when empty).
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS
    "WriteRegStr HKCU 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run' 'Murmelo' '\\\"$INSTDIR\\\\zuno.exe\\\"'")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "DeleteRegValue HKCU 'Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run' 'Murmelo'
  DeleteRegKey HKCU 'Software\\\\Bravik\\\\ZUNO'
  DeleteRegKey /ifempty HKCU 'Software\\\\Bravik'")
include(CPack)
