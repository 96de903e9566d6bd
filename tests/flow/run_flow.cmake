# Runs the driver on SCRIPT and compares what it prints with EXPECTED.
execute_process(COMMAND ${DRIVER} ${SCRIPT}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
file(READ ${EXPECTED} expected)
if(NOT status EQUAL 0 AND NOT expected MATCHES "(^|\n)error\t")
    message(FATAL_ERROR "driver exited with ${status}\n${err}")
endif()
if(NOT out STREQUAL expected)
    get_filename_component(name ${SCRIPT} NAME_WE)
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.actual "${out}")
    execute_process(COMMAND diff -u ${EXPECTED} ${CMAKE_CURRENT_BINARY_DIR}/${name}.actual)
    message(FATAL_ERROR "output differs from ${EXPECTED}")
endif()
