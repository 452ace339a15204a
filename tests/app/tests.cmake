# The real Kestrune.exe under Wine (frame, about box, keys, dragging, dpi, exit clean-up) and the
# removal decision in-process.
kestrune_test(app_tests
    app/frame_test.cpp
    app/folder_test.cpp
)
target_link_libraries(app_tests PRIVATE kestrune_app)
target_include_directories(app_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ui ${CMAKE_CURRENT_SOURCE_DIR}/app)
add_dependencies(app_tests Kestrune OrlaviFeedbackInformation)
# The real exe probes for dumps and logs to ToolLog at start.
set_tests_properties(app_tests PROPERTIES RESOURCE_LOCK "dpi;pointer;ToolLog;dumps" TIMEOUT 600)

# Benchmark of start-up, working set and idle CPU against a bare window (run by scripts/bench.sh
# and scripts/bench-startup.sh, not by ctest).
add_executable(bare_window WIN32 app/bare_window.cpp app/bare_window.rc)
target_include_directories(bare_window PRIVATE ${CMAKE_SOURCE_DIR}/res)
target_link_options(bare_window PRIVATE -municode)
add_executable(startup_bench app/startup_bench.cpp)
target_link_options(startup_bench PRIVATE -municode)
target_link_libraries(startup_bench PRIVATE testutil)
target_include_directories(startup_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/ui ${CMAKE_CURRENT_SOURCE_DIR}/app)
add_dependencies(startup_bench bare_window Kestrune Kestrune_trace OrlaviFeedbackInformation)
