# Run by cpack on the staged files before it packs them (CPACK_PRE_BUILD_SCRIPTS). Every ELF file is
# stripped as Debian's own packages are: a plain strip keeps the .comment and .note sections, which a
# program does not need at run time.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
set(stripped 0)
foreach(file IN LISTS staged)
    if(IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(NOT magic STREQUAL "7f454c46")
        continue()
    endif()
    execute_process(COMMAND "${CPACK_VESTREL_STRIP}" --remove-section=.comment --remove-section=.note "${file}"
        RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "strip failed on ${file}")
    endif()
    math(EXPR stripped "${stripped} + 1")
endforeach()
if(stripped EQUAL 0)
    message(FATAL_ERROR "no program found to strip under ${CPACK_TEMPORARY_DIRECTORY}")
endif()
message(STATUS "Stripped ${stripped} programs")
