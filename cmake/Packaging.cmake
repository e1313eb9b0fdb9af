# Installation, desktop integration and the Debian package.
#
# Installed: bin/sayline, bin/voxcore-cli, lib/libvoxcore.so.<version> (+ SONAME
# and development links), include/voxcore/*.h, lib/cmake/Voxcore (package
# config for find_package(Voxcore)), the desktop entry and the hicolor icon.
# The KeyboardShortcuts texts are compiled into the program as a Qt resource,
# so there are no translation files to install.
include(CMakePackageConfigHelpers)

# The desktop entry runs the program by its absolute path: KWin grants fake
# input (typing on KDE Plasma) only to the program whose entry's Exec is the
# running executable and that names the interface in X-KDE-Wayland-Interfaces.
# Made at install time, when the prefix (`cmake --install --prefix`) is known.
install(CODE "
  set(SAYLINE_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/sayline\")
  configure_file(${PROJECT_SOURCE_DIR}/data/io.sayline.Sayline.desktop.in
                 ${PROJECT_BINARY_DIR}/install-data/io.sayline.Sayline.desktop @ONLY)
")
install(FILES ${PROJECT_BINARY_DIR}/install-data/io.sayline.Sayline.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/io.sayline.Sayline.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The shortcut texts, one JSON file per language (English is also compiled in);
# a translation added to the data folder is picked up without a rebuild.
file(GLOB keyboardshortcuts_translations ${PROJECT_SOURCE_DIR}/KeyboardShortcuts/resources/*.json)
install(FILES ${keyboardshortcuts_translations}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/sayline/KeyboardShortcuts_KeyboardShortcuts)
# The formatting rules of the recognizer's words, one JSON file per language (English
# is also built into libvoxcore); another language is a file added here.
file(GLOB voxcore_formatting_rules ${PROJECT_SOURCE_DIR}/voxcore/resources/formatting/*.json)
install(FILES ${voxcore_formatting_rules} DESTINATION ${CMAKE_INSTALL_DATADIR}/sayline/formatting)

# The programs find libvoxcore beside them under any prefix (/usr/local without
# ldconfig, a private prefix, a relocated tree).
foreach(program sayline voxcore-cli)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  endif()
endforeach()

if(TARGET voxcore)
  # Its headers declare coroutines: programs using it compile as C++20 at least.
  target_compile_features(voxcore PUBLIC cxx_std_20)
  set(VOXCORE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Voxcore)
  install(EXPORT VoxcoreTargets NAMESPACE Voxcore:: DESTINATION ${VOXCORE_CMAKE_DIR})
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VoxcoreConfig.cmake.in
                                ${PROJECT_BINARY_DIR}/VoxcoreConfig.cmake
                                INSTALL_DESTINATION ${VOXCORE_CMAKE_DIR})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/VoxcoreConfigVersion.cmake
                                   VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/VoxcoreConfig.cmake ${PROJECT_BINARY_DIR}/VoxcoreConfigVersion.cmake
          DESTINATION ${VOXCORE_CMAKE_DIR})
endif()

set(CPACK_PACKAGE_NAME sayline)
set(CPACK_PACKAGE_VENDOR "Sayline developers")
set(CPACK_PACKAGE_CONTACT "Sayline developers <sayline@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Offline dictation for the Linux desktop")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
# The build tree keeps debugging symbols; the package does without them.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libvoxcore.so.0 is shipped in this same package: tell dpkg-shlibdeps where it is.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/voxcore)
# Runtime pieces that shlibdeps cannot see: QML modules, the recognition model,
# the Qt platform plugin and the sound server client.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "pocketsphinx-en-us, qml6-module-qtquick, qml6-module-qtquick-window, qml6-module-qtquick-layouts, qml6-module-qtquick-controls, qml6-module-qtquick-templates, qml6-module-qtquick-shapes, qml6-module-qtquick-dialogs, qml6-module-qtqml-workerscript, qml6-module-qt-labs-platform, libqt6svg6, qt6-qpa-plugins")
# Training to the user's voice runs the CMU Sphinx training programs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse, sphinxtrain, sphinxbase-utils")
include(CPack)
