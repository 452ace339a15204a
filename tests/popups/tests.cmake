# The prompt and the busy popup as real windows under Xvfb, with the product's own resources.
# Real clicks go to whatever lies under the pointer, and the text's size follows the dpi.
foreach(suite prompt busy)
    kestrune_test(${suite}_popup_tests popups/PopupTestUtil.cpp popups/${suite}_test.cpp
                  ${CMAKE_SOURCE_DIR}/res/Kestrune.rc)
    target_link_libraries(${suite}_popup_tests PRIVATE kestrune_popups)
    target_include_directories(${suite}_popup_tests PRIVATE ${CMAKE_SOURCE_DIR}/res)
    set_tests_properties(${suite}_popup_tests PROPERTIES RESOURCE_LOCK "dpi;pointer;XScreen"
                                                          TIMEOUT 300)
endforeach()

# Xvfb has no window manager, and Wine waits two seconds for one to withdraw each managed window
# it hides. The busy suite runs hundreds of popups, so its windows are left unmanaged (a
# per-program Wine setting). The prompt suite keeps Wine's default: unmanaged, a frame is stacked
# above its control layer and would take the clicks meant for the layer's buttons.
add_test(NAME busy_popup_unmanaged_windows
         COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh reg add
                 "HKCU\\Software\\Wine\\AppDefaults\\busy_popup_tests.exe\\X11 Driver"
                 /v Managed /d N /f)
set_tests_properties(busy_popup_unmanaged_windows PROPERTIES FIXTURES_SETUP busy_popup_unmanaged)
# The real jobs log to ToolLog, write the crash-control values and export to the desktop.
set_tests_properties(busy_popup_tests PROPERTIES
    FIXTURES_REQUIRED busy_popup_unmanaged
    RESOURCE_LOCK "dpi;pointer;XScreen;ToolLog;dumps")

