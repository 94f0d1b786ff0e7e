#Fails when a source file differs from what clang - format makes of it.
file(GLOB_RECURSE sources ${ROOT}/src/*.cpp ${ROOT}/src/*.h ${ROOT}/tests/*.cpp ${ROOT}/tests/*.h
     ${ROOT}/bench/*.cpp ${ROOT}/fuzz/*.cpp ${ROOT}/fuzz/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources} RESULT_VARIABLE result
                ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "These files do not follow .clang-format (run clang-format -i on them):\n${output}")
endif()
