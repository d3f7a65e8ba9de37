# The installation medium: a folder (build/medium) holding every file the
# installer copies, under its medium name, unchanged, plus readme.txt and
# setup itself. Defined once the whole tree is configured, so that programs
# built by other folders are known.
set(TSRN_MEDIUM_DIR ${CMAKE_BINARY_DIR}/medium CACHE INTERNAL "the installation medium")

function(tsrn_define_medium)
    set(dir ${TSRN_MEDIUM_DIR})
    set(commands COMMAND ${CMAKE_COMMAND} -E make_directory ${dir})
    set(deps "")
    # program target -> medium name
    set(programs "tsrn=tsrn.ex_;remover=remover.ex_;tsrnctl=rescue.ex_;tsrnvx=TSRNVX.Vx_;setup=setup")
    foreach(pair IN LISTS programs)
        string(REPLACE "=" ";" pair "${pair}")
        list(GET pair 0 target)
        list(GET pair 1 name)
        list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different
            $<TARGET_FILE:${target}> ${dir}/${name})
        list(APPEND deps ${target})
    endforeach()
    foreach(library tsrnfw tsrnrt)
        list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different
            $<TARGET_FILE:${library}> ${dir}/lib${library}.so.${PROJECT_VERSION_MAJOR})
        list(APPEND deps ${library})
    endforeach()
    list(APPEND commands
        COMMAND ${CMAKE_COMMAND} -DMANUAL_DIR=${PROJECT_SOURCE_DIR}/docs/manual
            -DOUTPUT=${dir}/tsrn.hl_ -P ${PROJECT_SOURCE_DIR}/tools/setup/PackManual.cmake
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${PROJECT_SOURCE_DIR}/tools/setup/readme.txt ${dir}/readme.txt
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${PROJECT_SOURCE_DIR}/data/tessaryn.svg ${dir}/tessaryn.svg)
    add_custom_target(medium ALL ${commands} VERBATIM
        COMMENT "Laying out the installation medium in ${dir}")
    add_dependencies(medium ${deps})
endfunction()

cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL tsrn_define_medium)
