# Text delivery: typing speed through XTEST on three layouts, the longest text
# typed within a second, and the clipboard hand-over to another X client.
# `run_bench_text_delivery` runs it beside a private Xvfb.
set(delivery_tests ${PROJECT_SOURCE_DIR}/tests/sayline/app/e2e_delivery)

add_executable(bench_typing_target ${delivery_tests}/typing_target.cpp)
target_link_libraries(bench_typing_target PRIVATE Qt6::Widgets)

add_executable(bench_text_delivery bench_text_delivery.cpp
  ${delivery_tests}/TypingTarget.h ${delivery_tests}/TypingTarget.cpp)
target_include_directories(bench_text_delivery PRIVATE ${delivery_tests})
target_compile_definitions(bench_text_delivery PRIVATE TYPING_TARGET_PATH="$<TARGET_FILE:bench_typing_target>")
target_link_libraries(bench_text_delivery PRIVATE sayline_app sayline_delivery_x11 Qt6::Widgets Qt6::Test)
add_dependencies(bench_text_delivery bench_typing_target)

add_custom_target(run_bench_text_delivery
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=xcb
          ${PROJECT_SOURCE_DIR}/tests/support/with-services --x -- $<TARGET_FILE:bench_text_delivery>
  DEPENDS bench_text_delivery
  USES_TERMINAL)
