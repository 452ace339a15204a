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

