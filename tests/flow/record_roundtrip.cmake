# A game saved in the middle of 戻 and opened again by a new run of the driver is the same
# game: the dumps of the two runs match, before and after one 進.
set(dir ${CMAKE_CURRENT_BINARY_DIR}/record_roundtrip)
file(REMOVE_RECURSE ${dir})
file(MAKE_DIRECTORY ${dir})
file(COPY ${FLOW}/record_mid.tkf ${FLOW}/record_pass.tkf DESTINATION ${dir})
file(WRITE ${dir}/save.txt "open record_mid.tkf\nmenu AFTER\nmenu AFTER\nmenu REPLAY\n"
                           "menu REPLAY\nmenu REPLAY\nsave saved.tkf\ndump\nmenu AFTER\ndump\n")
file(WRITE ${dir}/open.txt "open saved.tkf\ndump\nmenu AFTER\ndump\n")
# Against the computer: the person drops ▲４一銀 (hand slot, then square), the computer can
# drop nowhere and passes; opened again, the person is still to move.
file(WRITE ${dir}/pass_save.txt "open record_pass.tkf\nclick 6792 3482\nclick 4317 1022\n"
                                "save passed.tkf\ndump\n")
file(WRITE ${dir}/pass_open.txt "open passed.tkf\ndump\n")
foreach(run save open pass_save pass_open)
    execute_process(COMMAND ${DRIVER} ${dir}/${run}.txt
        OUTPUT_VARIABLE out RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "driver exited with ${status} on ${run}.txt:\n${out}")
    endif()
    string(REGEX MATCHALL "state\t[^\n]*" ${run}_dumps "${out}")
endforeach()
list(LENGTH save_dumps count)
if(NOT count EQUAL 2 OR NOT save_dumps STREQUAL open_dumps)
    message(FATAL_ERROR "dumps differ\nsaving run:\n${save_dumps}\nopening run:\n${open_dumps}")
endif()
# The last click's scratch (指し手) is no part of the game.
foreach(run pass_save pass_open)
    string(REGEX REPLACE "\"指し手\":\\[[^]]*\\]," "" ${run}_dumps "${${run}_dumps}")
endforeach()
if(NOT pass_save_dumps MATCHES "\"手番\":-10,\"手数\":25," OR
   NOT pass_save_dumps STREQUAL pass_open_dumps)
    message(FATAL_ERROR "after the pass\nsaving run:\n${pass_save_dumps}\n"
                        "opening run:\n${pass_open_dumps}")
endif()

# The file is the same whatever the language of the screen.
file(MAKE_DIRECTORY ${dir}/en)
file(COPY ${FLOW}/record_mid.tkf ${dir}/save.txt DESTINATION ${dir}/en)
execute_process(COMMAND ${DRIVER} --lang en ${dir}/en/save.txt RESULT_VARIABLE status
    OUTPUT_QUIET)
file(READ ${dir}/saved.tkf japanese)
file(READ ${dir}/en/saved.tkf english)
if(NOT status EQUAL 0 OR NOT english STREQUAL japanese)
    message(FATAL_ERROR "a record saved in English differs:\n${english}\nin Japanese:\n${japanese}")
endif()
