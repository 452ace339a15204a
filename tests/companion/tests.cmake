# The companion library and its binding: loading, exports, update answers, records, call log.

# A second build of the library that lacks one export (CustomerFeedbackEx).
kestrune_companion(companion_lacking_export ${CMAKE_CURRENT_SOURCE_DIR}/companion/lacking_export.def)
set_target_properties(companion_lacking_export PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/lacking-export)

# A build whose InitFreedbackDll answers 0, for the tool's start-up checks.
kestrune_companion(companion_init_fails ${CMAKE_CURRENT_SOURCE_DIR}/companion/init_fails.def
                   ${CMAKE_CURRENT_SOURCE_DIR}/companion/init_fails.cpp)
set_target_properties(companion_init_fails PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/init-fails)

add_executable(feedback_load_probe companion/feedback_load_probe.cpp)
target_link_libraries(feedback_load_probe PRIVATE kestrune_feedback)

kestrune_test(companion_tests
    companion/CompanionTestUtil.cpp
    companion/load_test.cpp
    companion/update_test.cpp
    companion/feedback_test.cpp)
target_link_libraries(companion_tests PRIVATE kestrune_feedback)
target_include_directories(companion_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/companion)
add_dependencies(companion_tests OrlaviFeedbackInformation companion_lacking_export
                 companion_init_fails feedback_load_probe fake_tool)

# The loopback HTTP server: started before the suite, stopped after it.
set(COMPANION_HTTP_DIR ${CMAKE_BINARY_DIR}/companion-http)
add_test(NAME companion_http_start
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/companion/http_fixture.sh start ${COMPANION_HTTP_DIR})
add_test(NAME companion_http_stop
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/companion/http_fixture.sh stop ${COMPANION_HTTP_DIR})
set_tests_properties(companion_http_start PROPERTIES FIXTURES_SETUP companion_http)
set_tests_properties(companion_http_stop PROPERTIES FIXTURES_CLEANUP companion_http)
# A request that the library fails to give up on would hang: fail well before ctest's limit.
set_tests_properties(companion_tests PROPERTIES
    TIMEOUT 300
    FIXTURES_REQUIRED companion_http
    ENVIRONMENT "KESTRUNE_COMPANION_HTTP=${COMPANION_HTTP_DIR}/ports")

# Exactly the eleven undecorated names: the tested build, the lead's shipped 32-bit build when
# it is there.
add_test(NAME companion_exports
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/companion/check_exports.sh
                 $<TARGET_FILE:OrlaviFeedbackInformation>
                 --if-present ${CMAKE_SOURCE_DIR}/dist/OrlaviFeedbackInformation.dll)
