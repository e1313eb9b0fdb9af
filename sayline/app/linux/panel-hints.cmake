# X11 adapter of the panel's window hints (included by sayline/app/CMakeLists.txt).
find_package(PkgConfig REQUIRED)
pkg_check_modules(SAYLINE_PANEL_XCB REQUIRED IMPORTED_TARGET xcb)
target_sources(sayline_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/X11PanelHints.h ${CMAKE_CURRENT_LIST_DIR}/X11PanelHints.cpp)
target_link_libraries(sayline_app PRIVATE PkgConfig::SAYLINE_PANEL_XCB)
