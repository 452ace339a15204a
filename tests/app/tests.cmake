# The real Kestrune.exe under Wine (frame and panel at each dpi, about box, keys, dragging, the
# Windows 7 list, the agreement gate, planted programs) and, in process, the exit clean-up's
# verdicts and the service-client probe.
kestrune_test(tool_tests app/tool_test.cpp)
target_link_libraries(tool_tests PRIVATE kestrune_app)
target_include_directories(tool_tests PRIVATE ${CMAKE_SOURCE_DIR}/res)
add_dependencies(tool_tests Kestrune OrlaviFeedbackInformation)
# One pointer, one LogPixels, one AppDefaults entry for Kestrune.exe, ToolLog and the dumps.
set_tests_properties(tool_tests PROPERTIES RESOURCE_LOCK "dpi;pointer;ToolLog;dumps")
# The driver finds the tool's windows by the ids of its resources.
target_include_directories(testutil PRIVATE ${CMAKE_SOURCE_DIR}/res)
