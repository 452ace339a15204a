# The problem-solved feedback popup: a layered frame and its control layer with three answers,
# reported through the companion library binding.
add_library(kestrune_feedback_popup STATIC
    ${CMAKE_CURRENT_LIST_DIR}/ProblemSolvingFeedbackDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProblemSolvingFeedbackChildDlg.cpp
)
target_include_directories(kestrune_feedback_popup PRIVATE ${CMAKE_SOURCE_DIR}/res)
target_link_libraries(kestrune_feedback_popup PUBLIC kestrune_ui kestrune_feedback)
