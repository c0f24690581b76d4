# SPDX-License-Identifier: GPL-3.0-or-later
# quillwave_add_areas(): adds every folder below the current one that has a CMakeLists.txt, in
# name order. tests/, bench/ and fuzz/ hold one such folder per area of the code.
function(quillwave_add_areas)
    file(GLOB areas LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT areas)
    foreach(area ${areas})
        if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${area} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${area}/CMakeLists.txt)
            add_subdirectory(${area})
        endif()
    endforeach()
endfunction()
