# Run by cpack on the staged files of every package before it packs them:
# strips the programs as Debian's dh_strip does, the debugging symbols and
# the compiler's .comment and .note sections alike.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file ${staged})
    if(NOT file MATCHES "/usr/bin/[^/]+$" OR IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(NOT magic STREQUAL "7f454c46")  # not an ELF file
        continue()
    endif()
    execute_process(COMMAND ${CPACK_VANTO_STRIP} --remove-section=.comment
        --remove-section=.note "${file}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "strip failed on ${file}")
    endif()
endforeach()
