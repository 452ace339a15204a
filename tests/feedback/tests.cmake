# The problem-solved feedback popup as a real window under Xvfb, reporting through our own
# companion library (built beside the test executable) into its record files.
kestrune_test(feedback_popup_tests
    feedback/feedback_popup_test.cpp
    popups/PopupTestUtil.cpp
    companion/CompanionTestUtil.cpp
    feedback/feedback_tests.rc)
target_link_libraries(feedback_popup_tests PRIVATE kestrune_feedback_popup kestrune_popups)
target_include_directories(feedback_popup_tests PRIVATE ${CMAKE_SOURCE_DIR}/res
    ${CMAKE_CURRENT_SOURCE_DIR}/ui ${CMAKE_CURRENT_SOURCE_DIR}/popups
    ${CMAKE_CURRENT_SOURCE_DIR}/companion)
set_source_files_properties(feedback/feedback_tests.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/res/SkinImages.rc;${CMAKE_SOURCE_DIR}/res/FeedbackPopup.rc")
add_dependencies(feedback_popup_tests OrlaviFeedbackInformation)
# Wine reads LogPixels once per process: the 120 dpi case runs alone in a process started at
# 120 dpi, and LogPixels is back at 96 whatever its outcome.
set(FEEDBACK_120DPI_FILTER "FeedbackPopupTest.At120Dpi_*")
add_test(NAME feedback_popup_tests_120dpi
         COMMAND sh -c "\"$0\" reg add 'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d 120 /f >/dev/null 2>&1 && \"$0\" \"$1\"; rc=$?; \"$0\" reg add 'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1; exit $rc"
                 ${CMAKE_BINARY_DIR}/wine-run.sh $<TARGET_FILE:feedback_popup_tests>)
set_tests_properties(feedback_popup_tests PROPERTIES ENVIRONMENT "GTEST_FILTER=-${FEEDBACK_120DPI_FILTER}")
set_tests_properties(feedback_popup_tests_120dpi PROPERTIES ENVIRONMENT "GTEST_FILTER=${FEEDBACK_120DPI_FILTER}")
# Real clicks go to whatever lies under the pointer, and LogPixels is shared by the prefix.
set_tests_properties(feedback_popup_tests feedback_popup_tests_120dpi PROPERTIES
    RESOURCE_LOCK "dpi;pointer;XScreen"
    TIMEOUT 300)
