# Installs the build into a scratch prefix and checks that everything a
# desktop needs arrived. Run with -DBUILD_DIR=... -DPREFIX=... -DWINDOW=ON|OFF
# -DVERSION=<the project's version>.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(expected
    bin/velmorant-cli
    share/applications/velmorant.desktop
    share/icons/hicolor/scalable/apps/velmorant.svg
    share/icons/hicolor/48x48/apps/velmorant.png)
if(WINDOW)
    list(APPEND expected bin/velmorant)
endif()
foreach(file IN LISTS expected)
    if(NOT EXISTS "${PREFIX}/${file}")
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
execute_process(COMMAND "${PREFIX}/bin/velmorant-cli" --version OUTPUT_VARIABLE version)
if(NOT version STREQUAL "velmorant-cli v${VERSION}\n")
    message(FATAL_ERROR "the installed velmorant-cli says: ${version}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
