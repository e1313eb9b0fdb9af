# Desktop integration and the Debian package.
install(FILES ${PROJECT_SOURCE_DIR}/data/io.sayline.Sayline.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/io.sayline.Sayline.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME sayline)
set(CPACK_PACKAGE_VENDOR "Sayline developers")
set(CPACK_PACKAGE_CONTACT "Sayline developers <sayline@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Offline dictation for the Linux desktop")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Runtime pieces that shlibdeps cannot see: QML modules, the recognition model,
# the Qt platform plugin and the sound server client.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "pocketsphinx-en-us, qml6-module-qtquick, qml6-module-qtquick-window, qml6-module-qtquick-layouts, qml6-module-qtquick-controls, qml6-module-qtquick-templates, qml6-module-qtquick-shapes, qml6-module-qtquick-dialogs, qml6-module-qtqml-workerscript, libqt6svg6, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
include(CPack)
