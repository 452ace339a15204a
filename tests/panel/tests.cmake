# The tool panel end to end: the real Kestrune.exe and companion library, driven under Xvfb.
kestrune_test(panel_tests panel/PanelFixture.cpp panel/panel_test.cpp panel/host_client_test.cpp)
target_link_libraries(panel_tests PRIVATE kestrune_app)
target_include_directories(panel_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/panel ${CMAKE_SOURCE_DIR}/res)
add_dependencies(panel_tests Kestrune OrlaviFeedbackInformation)
# One pointer, one LogPixels, one AppDefaults entry for Kestrune.exe, and the dumps in C:\windows.
set_tests_properties(panel_tests PROPERTIES RESOURCE_LOCK "dpi;pointer;ToolLog;dumps" TIMEOUT 1500)
