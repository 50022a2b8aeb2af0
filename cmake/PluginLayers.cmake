# The plug-in is built in layers, one object library per folder, all linked
# into the one shared library device_photo. Dependencies point one way:
#
#   model -> thumbview, viewer, dialogs -> screen -> plugin
#
# and the host never includes the plug-in. photo_check_includes makes a
# target's build fail when one of its sources includes a folder it must not.

# photo_check_includes(<target> FORBID <folders...>)
function(photo_check_includes target)
    cmake_parse_arguments(ARG "" "" "FORBID" ${ARGN})
    get_target_property(sources ${target} SOURCES)
    get_target_property(folder ${target} SOURCE_DIR)
    set(files "")
    foreach(source IN LISTS sources)
        if(source MATCHES "\\.(h|cpp)$" AND NOT source MATCHES "^\\$<")
            get_filename_component(file "${source}" ABSOLUTE BASE_DIR "${folder}")
            list(APPEND files "${file}")
        endif()
    endforeach()
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.includes-checked)
    string(REPLACE ";" "|" forbidden "${ARG_FORBID}")
    string(REPLACE ";" "|" listed "${files}")
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DLAYER=${target} "-DFORBIDDEN=${forbidden}"
            "-DSOURCES=${listed}" -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
        DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
        COMMENT "Checking the includes of ${target}"
        VERBATIM)
    add_custom_target(${target}_includes DEPENDS ${stamp})
    add_dependencies(${target} ${target}_includes)
endfunction()

# photo_plugin_layer(<target> SOURCES <files...> LINKS <targets...> FORBID <folders...>)
function(photo_plugin_layer target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;FORBID" ${ARGN})
    add_library(${target} OBJECT ${ARG_SOURCES})
    photo_project_target(${target})
    target_link_libraries(${target} PUBLIC ${ARG_LINKS})
    if(ARG_FORBID)
        photo_check_includes(${target} FORBID ${ARG_FORBID})
    endif()
endfunction()
