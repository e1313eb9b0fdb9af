# Windows and panel: WindowManager, MainPanel and the X11 panel hints, on a private X display.
qt_add_executable(tst_window_manager ${CMAKE_CURRENT_LIST_DIR}/tst_window_manager.cpp)
target_link_libraries(tst_window_manager PRIVATE sayline_app Qt6::Test)
add_test(NAME sayline_window_manager
         COMMAND ${SAYLINE_WITH_SERVICES} --x --home -- $<TARGET_FILE:tst_window_manager>)
set_tests_properties(sayline_window_manager PROPERTIES TIMEOUT 120)

# One Sayline per session, and the launch flag.
qt_add_executable(tst_single_instance ${CMAKE_CURRENT_LIST_DIR}/tst_single_instance.cpp)
target_link_libraries(tst_single_instance PRIVATE sayline_app Qt6::Test)
add_test(NAME sayline_single_instance COMMAND ${SAYLINE_WITH_SERVICES} --home -- $<TARGET_FILE:tst_single_instance>)
set_tests_properties(sayline_single_instance PROPERTIES TIMEOUT 60)

# QML gets the shared WindowManager and UpdateManager, not instances of its own.
qt_add_executable(tst_qml_singletons ${CMAKE_CURRENT_LIST_DIR}/tst_qml_singletons.cpp)
target_link_libraries(tst_qml_singletons PRIVATE sayline_app sayline_appplugin Qt6::Test)
add_test(NAME sayline_qml_singletons COMMAND ${SAYLINE_WITH_SERVICES} --home -- $<TARGET_FILE:tst_qml_singletons>)
set_tests_properties(sayline_qml_singletons PROPERTIES TIMEOUT 60 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

# The command line, and the compositor binding lines the settings show.
qt_add_executable(tst_command_line ${CMAKE_CURRENT_LIST_DIR}/tst_command_line.cpp)
target_link_libraries(tst_command_line PRIVATE sayline_app Qt6::Test)
add_test(NAME sayline_command_line COMMAND tst_command_line)
set_tests_properties(sayline_command_line PROPERTIES TIMEOUT 60)
