# The whole tool as a person uses it, in a prefix, wineserver and X screen of its own.
add_executable(acceptance_tests acceptance/acceptance_test.cpp)
target_link_libraries(acceptance_tests PRIVATE testutil gtest_main)
target_include_directories(acceptance_tests PRIVATE ${CMAKE_SOURCE_DIR}/res)
# The real small dump beside the project, read in place through drive Z:.
target_compile_definitions(acceptance_tests PRIVATE KESTRUNE_SHARED_DUMPS="Z:${CMAKE_SOURCE_DIR}/../shared/dumps")
add_dependencies(acceptance_tests Kestrune OrlaviFeedbackInformation fake_tool companion_init_fails)
add_test(NAME acceptance
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/acceptance/run-fresh-prefix.sh ${CMAKE_BINARY_DIR}
                 $<TARGET_FILE:acceptance_tests>)
set_tests_properties(acceptance PROPERTIES TIMEOUT 1200)
