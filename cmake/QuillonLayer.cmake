# SPDX-License-Identifier: MIT
# Each layer of src/ is a library whose headers can be reached only through its own include
# root: build/<preset>/layers/<target>/<folder>, a link to src/<folder>. A file that includes a
# layer its library does not link therefore fails to compile ("No such file or directory"),
# not only tools/check_layers.sh. Includes keep their src/-relative form ("control/alarms.hpp").

# Makes src/<folder> reachable as "<folder>/..." for <target> and whoever links it.
function(quillon_expose target folder)
    set(root ${PROJECT_BINARY_DIR}/layers/${target})
    cmake_path(GET folder PARENT_PATH parent)
    file(MAKE_DIRECTORY ${root}/${parent})
    if(NOT IS_SYMLINK ${root}/${folder})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    quillon_add_include_root(${target} ${root})
endfunction()

# Makes only the headers directly in src/<folder> reachable, for a folder whose subfolders are
# layers of their own (host/ and its hosts, platform/ and its operating systems).
function(quillon_expose_headers target folder)
    set(root ${PROJECT_BINARY_DIR}/layers/${target})
    file(MAKE_DIRECTORY ${root}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.hpp)
    foreach(header IN LISTS headers)
        cmake_path(GET header FILENAME name)
        if(NOT IS_SYMLINK ${root}/${folder}/${name})
            file(CREATE_LINK ${header} ${root}/${folder}/${name} SYMBOLIC)
        endif()
    endforeach()
    quillon_add_include_root(${target} ${root})
endfunction()

function(quillon_add_include_root target root)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
        target_link_libraries(${target} PRIVATE quillon_warnings)
    endif()
endfunction()
