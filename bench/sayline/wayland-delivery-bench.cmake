# Text delivery on a Wayland compositor: typing through the virtual keyboard and
# the clipboard through data control, on headless sway (tests/support/with-sway).
add_executable(bench_wayland_delivery bench_wayland_delivery.cpp
  ${delivery_tests}/TypingTarget.h ${delivery_tests}/TypingTarget.cpp)
target_include_directories(bench_wayland_delivery PRIVATE ${delivery_tests})
target_compile_definitions(bench_wayland_delivery PRIVATE TYPING_TARGET_PATH="$<TARGET_FILE:bench_typing_target>")
target_link_libraries(bench_wayland_delivery PRIVATE sayline_delivery_wayland Qt6::Core Qt6::Test)
add_dependencies(bench_wayland_delivery bench_typing_target)
