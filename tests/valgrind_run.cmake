# Runs heat2d on the shipped triangulation under valgrind in a fresh folder:
# no memory error and nothing definitely lost.
#   cmake -DVALGRIND=... -DHEAT2D=... -DELEMENTS=... -DWORK_DIR=... -P valgrind_run.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(COPY ${ELEMENTS} DESTINATION ${WORK_DIR})
execute_process(
    COMMAND ${VALGRIND} --quiet --leak-check=full --errors-for-leak-kinds=definite
            --error-exitcode=99 ${HEAT2D}
    WORKING_DIRECTORY ${WORK_DIR}
    INPUT_FILE /dev/null
    OUTPUT_QUIET
    ERROR_VARIABLE report
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "heat2d under valgrind exited with ${status}:\n${report}")
endif()
