# Fails when a file of the format layer, in any of its folders, includes a
# header for files, streams to files, the operating system, Boost or Qt, or a
# header of the layers above it. Run with -DFOLDER=<edf folder>.
file(GLOB_RECURSE sources "${FOLDER}/*.h" "${FOLDER}/*.cpp")
if(NOT sources)
    message(FATAL_ERROR "no source found below ${FOLDER}")
endif()
set(forbidden "#include <(boost/|Q|cstdio|stdio\\.h|fstream|filesystem|iostream|unistd\\.h|fcntl\\.h|sys/|io\\.h|windows\\.h)|#include \"(repair|app|cli)/")
foreach(source IN LISTS sources)
    file(STRINGS "${source}" hits REGEX "${forbidden}")
    if(hits)
        message(FATAL_ERROR "${source}: ${hits}")
    endif()
endforeach()
