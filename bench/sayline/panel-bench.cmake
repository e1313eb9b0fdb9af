# The panel's figures: `ninja bench_sayline_panel` runs the program beside
# private X and sound servers and prints them.
add_custom_target(bench_sayline_panel
  COMMAND ${PROJECT_SOURCE_DIR}/tests/support/with-services --x --pulse --home --
          ${CMAKE_CURRENT_LIST_DIR}/panel_bench.sh $<TARGET_FILE:sayline>
          ${PROJECT_SOURCE_DIR}/tests/support/say-into-mic ${PROJECT_SOURCE_DIR}/tests/e2e/find-panel
  DEPENDS sayline
  USES_TERMINAL)
