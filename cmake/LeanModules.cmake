# What keeps the shipped modules small. Included before any target is defined.

# Only what is called lands in a module.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)
# Size-optimised: the tool's time goes to Windows (processes, files, GDI+), not to its own code,
# and the benchmarks show no cost. -g: the debug information goes to a file beside the build.
set(CMAKE_C_FLAGS_RELEASE "-Os -g -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -g -DNDEBUG")

# Code that never throws or catches needs no exception tables. A throw from the runtime (out of
# memory) ends the program either way: nothing in it catches. The companion catches, so it keeps
# them. 32-bit code needs no unwind tables at all (Windows unwinds x64 code through them).
function(kestrune_no_exceptions)
    foreach(target ${ARGN})
        target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables
                                                     -fno-unwind-tables)
        endif()
    endforeach()
endfunction()

# The module is stripped where it is built; its debug information stays in <module>.debug
# beside it, found by debuggers through the module's debug link.
function(kestrune_split_debug target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}>
                $<TARGET_FILE:${target}>.debug
        COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
                $<TARGET_FILE:${target}>
        WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
        VERBATIM)
endfunction()
