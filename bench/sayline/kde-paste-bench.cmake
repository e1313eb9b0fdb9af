# Typing on KDE Plasma by the paste path (fake input + clipboard), on headless
# KWin (tests/support/with-kde).
add_executable(bench_kde_paste bench_kde_paste.cpp ${delivery_tests}/TypingTarget.h ${delivery_tests}/TypingTarget.cpp)
target_include_directories(bench_kde_paste PRIVATE ${delivery_tests})
target_compile_definitions(bench_kde_paste PRIVATE TYPING_TARGET_PATH="$<TARGET_FILE:bench_typing_target>")
target_link_libraries(bench_kde_paste PRIVATE sayline_delivery_wayland Qt6::Core Qt6::Test)
add_dependencies(bench_kde_paste bench_typing_target)
