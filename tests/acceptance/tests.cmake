# The whole tool as a person uses it, in a prefix of its own; and the fault and bad-input cases
# that need the real exe, in the shared prefix.
add_executable(acceptance_tests acceptance/acceptance_test.cpp acceptance/fault_test.cpp
               panel/PanelFixture.cpp)
target_link_libraries(acceptance_tests PRIVATE testutil gtest_main ws2_32)
target_include_directories(acceptance_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/panel ${CMAKE_SOURCE_DIR}/res)
add_dependencies(acceptance_tests Kestrune OrlaviFeedbackInformation fake_tool companion_lacking_export
                 companion_init_fails)

add_test(NAME acceptance
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/acceptance/run-fresh-prefix.sh ${CMAKE_BINARY_DIR}
                 $<TARGET_FILE:acceptance_tests> --gtest_filter=Acceptance.*)
# Its own prefix, wineserver and X screen: it shares nothing with the other suites.
set_tests_properties(acceptance PROPERTIES TIMEOUT 1200)

add_test(NAME fault_tests COMMAND acceptance_tests --gtest_filter=Faults.*)
set_tests_properties(fault_tests PROPERTIES RESOURCE_LOCK "dpi;pointer;ToolLog;dumps" TIMEOUT 1200)
