# The problem-solved feedback popup as a real window under Xvfb, reporting through our own
# companion library (built beside the test executable) into its record files.
kestrune_test(feedback_popup_tests
    feedback/feedback_popup_test.cpp
    feedback/feedback_texts_test.cpp
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
# Real clicks go to whatever lies under the pointer, and LogPixels is shared by the prefix.
set_tests_properties(feedback_popup_tests PROPERTIES
    RESOURCE_LOCK "dpi;pointer;XScreen"
    TIMEOUT 300)
