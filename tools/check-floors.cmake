# Lists every include in src/ that runs upward a floor or sideways between two pages, and
# fails when there is one. Run it from anywhere:  cmake -P tools/check-floors.cmake
# (the tests run it too). The floors are the README's Layout section.
#
# Each folder of src/ is on one floor; a file may include its own folder and any folder
# on a lower floor. The core's folders may include one another; two pages may not.

cmake_minimum_required(VERSION 3.25)

set(core_floor platform link fir cli diagnostics)
set(toolkit_floor ui)
set(page_floor mixer editor pages designer console)
set(shell_floor shell)

get_filename_component(root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

function(floor_of folder result)
    foreach(level core toolkit page shell)
        if(folder IN_LIST ${level}_floor)
            set(${result} ${level} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${result} "" PARENT_SCOPE)
endfunction()

set(rank_core 0)
set(rank_toolkit 1)
set(rank_page 2)
set(rank_shell 3)

set(found "")
file(GLOB_RECURSE sources RELATIVE "${root}/src" "${root}/src/*.cpp" "${root}/src/*.h")
list(SORT sources)
foreach(source ${sources})
    string(REGEX MATCH "^[^/]+" folder "${source}")
    floor_of("${folder}" floor)
    if(NOT floor)
        list(APPEND found "src/${source}: src/${folder} is on no floor")
        continue()
    endif()
    file(STRINGS "${root}/src/${source}" lines)
    set(line_number 0)
    foreach(line IN LISTS lines)
        math(EXPR line_number "${line_number} + 1")
        if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]+)/([^\"]+)\"")
            continue()
        endif()
        set(target "${CMAKE_MATCH_1}")
        set(included "${CMAKE_MATCH_1}/${CMAKE_MATCH_2}")
        # Only our own folders are on floors; a header of a library is not.
        if(target STREQUAL folder OR NOT IS_DIRECTORY "${root}/src/${target}")
            continue()
        endif()
        floor_of("${target}" target_floor)
        set(where "src/${source}:${line_number}: ${folder} includes ${included}")
        if(NOT target_floor)
            list(APPEND found "${where}: src/${target} is on no floor")
        elseif(${rank_${target_floor}} GREATER ${rank_${floor}})
            list(APPEND found "${where}: up from the ${floor} floor to the ${target_floor} floor")
        elseif(floor STREQUAL "page" AND target_floor STREQUAL "page")
            list(APPEND found "${where}: sideways from one page to another")
        endif()
    endforeach()
endforeach()

if(found)
    list(LENGTH found count)
    list(JOIN found "\n" report)
    message("${report}")
    message(FATAL_ERROR "${count} place(s) break the floors; a piece two pages need belongs "
                        "in src/ui, and only src/shell includes pages.")
endif()
message(STATUS "Every include in src/ stays in its folder or goes down a floor.")
