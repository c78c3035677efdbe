# What `cmake --install` puts in place: the program and the virtual encoder, and the desktop
# entry, icon and metainfo that show the program in the desktop's menu and software centre.
include(GNUInstallDirs)

target_compile_definitions(kvt450 PRIVATE
    KVT_VERSION="${PROJECT_VERSION}" KVT_APP_ID="${KVT_APP_ID}" KVT_APP_NAME="${KVT_APP_NAME}")
kvt_add_application_icon(kvt450)
install(TARGETS kvt450 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(TARGET kvt450-sim)
    install(TARGETS kvt450-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES sim/decks/sample.txt DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

set(desktopEntry ${PROJECT_BINARY_DIR}/packaging/${KVT_APP_ID}.desktop)
set(metainfo ${PROJECT_BINARY_DIR}/packaging/${KVT_APP_ID}.metainfo.xml)
configure_file(packaging/kvt450.desktop.in ${desktopEntry} @ONLY)
configure_file(packaging/kvt450.metainfo.xml.in ${metainfo} @ONLY)
install(FILES ${desktopEntry} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KVT_ICON_FILE}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${KVT_APP_ID}.svg)
