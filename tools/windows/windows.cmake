# The Windows build: the program's resources, and everything an installation needs beside
# brackwell.exe in one folder (the Qt and MinGW runtime DLLs, the platform and style plugins,
# helpfile.htm), so `cmake --install` makes the tree the zip and the installer hold.
enable_language(RC)
configure_file(${PROJECT_SOURCE_DIR}/src/app/windows/brackwell.rc.in ${PROJECT_BINARY_DIR}/brackwell.rc @ONLY)
target_sources(brackwell PRIVATE ${PROJECT_BINARY_DIR}/brackwell.rc)

install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        DESTINATION ${CMAKE_INSTALL_BINDIR})
# The windows platform draws on the screen; offscreen runs the program without one (tests, CI).
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>
        DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)

# MinGW's C++ runtime, which the program and Qt link dynamically.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    get_filename_component(path "${path}" REALPATH)
    install(FILES "${path}" DESTINATION ${CMAKE_INSTALL_BINDIR})
    get_filename_component(folder "${path}" DIRECTORY)
    list(APPEND BRACKWELL_MINGW_RUNTIME_DIRS "${folder}")
endforeach()
list(REMOVE_DUPLICATES BRACKWELL_MINGW_RUNTIME_DIRS)
# Where the tests find the DLLs under Wine (tools/windows/wine.sh reads this file).
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/dll-folders.txt
     CONTENT "$<TARGET_FILE_DIR:Qt6::Core>\n$<JOIN:${BRACKWELL_MINGW_RUNTIME_DIRS},\n>\n")

# The version the packages are named by.
file(WRITE ${PROJECT_BINARY_DIR}/version.txt "${PROJECT_VERSION}\n")
