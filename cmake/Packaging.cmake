# Installation as one portable folder: the program, its user guide and, once it runs, its "Dati" beside
# it. `cmake --install build --prefix <folder>` lays it out; `cmake --build build --target package`
# makes Calvora-<version>-Linux.tar.gz of the same folder.

if(APPLE)
  set_target_properties(calvora PROPERTIES
    MACOSX_BUNDLE TRUE
    OUTPUT_NAME Calvora
    MACOSX_BUNDLE_INFO_PLIST ${PROJECT_SOURCE_DIR}/resources/Info.plist.in
    MACOSX_BUNDLE_GUI_IDENTIFIER it.calvora.agenda
    MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
    MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
    MACOSX_BUNDLE_COPYRIGHT "Calvora")
  install(TARGETS calvora BUNDLE DESTINATION .)
else()
  install(TARGETS calvora RUNTIME DESTINATION .)
  install(FILES "${CALVORA_GUIDE_DIR}/Guida Calvora.pdf" DESTINATION .)
  # Started in place from a file manager, the entry runs the program two folders up from itself.
  set(CALVORA_DESKTOP_EXEC "sh -c \"exec \\\\\"\\\\$(dirname \\\\\"\\\\$1\\\\\")/../../calvora\\\\\"\" sh %k")
  set(CALVORA_DESKTOP_ICON calvora)
  configure_file(${PROJECT_SOURCE_DIR}/resources/calvora.desktop.in ${PROJECT_BINARY_DIR}/calvora.desktop @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/calvora.desktop DESTINATION share/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/calvora.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/resources/collega-al-menu.sh DESTINATION .)
endif()

set(CPACK_PACKAGE_NAME Calvora)
set(CPACK_PACKAGE_VENDOR Calvora)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR TGZ)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_FILE_NAME "Calvora-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
