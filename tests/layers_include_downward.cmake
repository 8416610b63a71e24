# Fails when an include runs up the layers: from the format layer's lower
# folders to its higher ones, from the file layer to a front end, or from one
# front end to the other. Ranks are listed bottom up; a file may include its
# own folder's headers and those of lower ranks. Run with -DROOT=<source root>.
set(ranks
    "edf/text" 0 "edf/format" 1 "edf/rules" 2 "edf/deidentify" 3 "edf/repair" 4
    "edf/wording" 5
    "repair/copy" 10 "repair/platform" 11 "repair/records" 12 "repair/staging" 12
    "repair/plan" 12 "repair/deidentify" 13 "repair/engine" 14
    "app" 20 "cli" 20)

function(rank_of path out)
    set(found -1)
    list(LENGTH ranks count)
    math(EXPR last "${count} - 1")
    foreach(i RANGE 0 ${last} 2)
        list(GET ranks ${i} folder)
        if(path MATCHES "^${folder}/")
            math(EXPR next "${i} + 1")
            list(GET ranks ${next} found)
            set(folderOf "${folder}")
        endif()
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
    set(${out}_folder "${folderOf}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/edf/*.[ch]*" "${ROOT}/repair/*.[ch]*"
     "${ROOT}/app/*.[ch]*" "${ROOT}/cli/*.[ch]*")
list(FILTER sources INCLUDE REGEX "\\.(h|cpp)$")
if(NOT sources)
    message(FATAL_ERROR "no source found below ${ROOT}")
endif()
set(faults "")
foreach(source IN LISTS sources)
    rank_of("${source}" own)
    if(own EQUAL -1)
        string(APPEND faults "\n${source}: in no layer")
        continue()
    endif()
    file(STRINGS "${ROOT}/${source}" includes REGEX "^#include \"(edf|repair|app|cli)/")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
        rank_of("${included}" theirs)
        if(theirs GREATER own OR (theirs EQUAL own AND NOT own_folder STREQUAL theirs_folder))
            string(APPEND faults "\n${source} includes ${included}")
        endif()
    endforeach()
endforeach()
if(faults)
    message(FATAL_ERROR "includes that run up the layers:${faults}")
endif()
