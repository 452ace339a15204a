# Skin helpers and skinned controls, in-process on real windows. The PNG
# test reads the resources of the built Kestrune.exe beside the test executable.
kestrune_test(ui_tests
    ui/skin_test.cpp
    ui/controls_test.cpp
    ui/ui_tests.rc
)
target_link_libraries(ui_tests PRIVATE kestrune_ui)
target_include_directories(ui_tests PRIVATE ${CMAKE_SOURCE_DIR}/res ${CMAKE_CURRENT_SOURCE_DIR}/ui)
set_source_files_properties(ui/ui_tests.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/res/SkinImages.rc;${CMAKE_CURRENT_SOURCE_DIR}/ui/ui_tests.manifest")
add_dependencies(ui_tests Kestrune)
# The pointer and LogPixels are shared by every window of the X screen and the prefix.
set_tests_properties(ui_tests PROPERTIES RESOURCE_LOCK "dpi;pointer")

# The committed PNGs, decoded, against what the art script draws.
add_test(NAME skin_pixels COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/ui/skin_pixels.py)
