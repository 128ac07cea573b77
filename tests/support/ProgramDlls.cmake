# DLLs that the end-to-end tests put into or beside Pelvaro.exe, so they have the program's
# bitness: the i686 build makes them too (PELVARO_BUILD_PROGRAM_DLLS) for the x64 tests to use.

# Loaded into the running program by the end-to-end tests to read what Wine shows only there.
add_library(pelvaro_probe SHARED ${CMAKE_CURRENT_LIST_DIR}/probe/PelvaroProbe.cpp)
set_target_properties(pelvaro_probe PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_link_libraries(pelvaro_probe PRIVATE pelvaro_options)
# A hid.dll planted beside the program, which notes when it is loaded.
add_library(planted_hid SHARED ${CMAKE_CURRENT_LIST_DIR}/planted/PlantedHid.cpp)
set_target_properties(planted_hid PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_link_libraries(planted_hid PRIVATE pelvaro_options)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # Exports by their plain names, as on x64: i686 would decorate them ("ProbeRun@4").
    target_link_options(pelvaro_probe PRIVATE -Wl,--kill-at)
    target_link_options(planted_hid PRIVATE -Wl,--kill-at)
endif()
