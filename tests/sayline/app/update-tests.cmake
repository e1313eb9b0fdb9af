# Update checks: feed reading and the update manager against a local server.
qt_add_executable(test_appcast test_appcast.cpp AppcastSamples.h)
target_link_libraries(test_appcast PRIVATE sayline_app Qt6::Test)
add_test(NAME updates_appcast COMMAND test_appcast)

qt_add_executable(test_update_manager test_update_manager.cpp AppcastSamples.h CannedHttpServer.h)
target_link_libraries(test_update_manager PRIVATE sayline_app Qt6::Test Qt6::Network)
add_test(NAME updates_manager COMMAND ${SAYLINE_WITH_SERVICES} --home -- $<TARGET_FILE:test_update_manager>)
set_tests_properties(updates_manager PROPERTIES TIMEOUT 120)
