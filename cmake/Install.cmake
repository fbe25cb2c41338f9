# What `cmake --install` puts beside the two programs: the desktop entry and icon where desktop
# menus look for them, and the manual pages. The programs install from the CMakeLists.txt that
# defines them.
if(ORVELA_GUI)
    install(FILES ${PROJECT_SOURCE_DIR}/data/orvela.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/orvela.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/man/orvela.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/orvela-admin.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
