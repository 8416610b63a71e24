# Installs the build into a scratch prefix and checks that everything a
# desktop needs arrived. Run with -DBUILD_DIR=... -DPREFIX=... -DWINDOW=ON|OFF
# -DVERSION=<the project's version> [-DWINDOWS=ON -DEMULATOR=<how to run a .exe>].
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
if(WINDOWS)
    set(cli bin/velmorant-cli.exe)
    set(expected ${cli})
else()
    set(cli bin/velmorant-cli)
    set(expected
        ${cli}
        share/applications/velmorant.desktop
        share/icons/hicolor/scalable/apps/velmorant.svg
        share/icons/hicolor/48x48/apps/velmorant.png)
endif()
if(WINDOW)
    list(APPEND expected bin/velmorant)
endif()
foreach(file IN LISTS expected)
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
execute_process(COMMAND ${EMULATOR} "${PREFIX}/${cli}" --version OUTPUT_VARIABLE version)
if(NOT version STREQUAL "velmorant-cli v${VERSION}\n")
    message(FATAL_ERROR "the installed velmorant-cli says: ${version}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
