# Runs the driver on SCRIPT and compares what it prints with EXPECTED; with DRIVER_LANG, in that
# language (--lang).
set(lang_args)
if(DRIVER_LANG)
    set(lang_args --lang ${DRIVER_LANG})
endif()
execute_process(COMMAND ${DRIVER} ${lang_args} ${SCRIPT}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT EXISTS ${EXPECTED})
    message(FATAL_ERROR "no transcript ${EXPECTED} (tools/i18n/flow_transcripts.sh writes the "
                        "English ones)")
endif()
file(READ ${EXPECTED} expected)
if(NOT status EQUAL 0 AND NOT expected MATCHES "(^|\n)error\t")
    message(FATAL_ERROR "driver exited with ${status}\n${err}")
endif()
if(NOT out STREQUAL expected)
    get_filename_component(name ${SCRIPT} NAME_WE)
    set(actual ${CMAKE_CURRENT_BINARY_DIR}/${name}${DRIVER_LANG}.actual)
    file(WRITE ${actual} "${out}")
    execute_process(COMMAND diff -u ${EXPECTED} ${actual})
    message(FATAL_ERROR "output differs from ${EXPECTED}")
endif()
