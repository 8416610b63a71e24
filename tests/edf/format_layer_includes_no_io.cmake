# Fails when a file of the format layer includes a header for files, streams
# to files, the operating system, Boost or Qt. Run with -DFOLDER=<edf folder>.
file(GLOB sources "${FOLDER}/*.h" "${FOLDER}/*.cpp")
set(forbidden "#include <(boost/|Q|cstdio|stdio\\.h|fstream|filesystem|iostream|unistd\\.h|fcntl\\.h|sys/|io\\.h|windows\\.h)")
foreach(source IN LISTS sources)
    file(STRINGS "${source}" hits REGEX "${forbidden}")
    if(hits)
        message(FATAL_ERROR "${source}: ${hits}")
    endif()
endforeach()
