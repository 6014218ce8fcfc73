# ctest check: a manual page renders without a single warning from man and groff (an escape gone wrong in a help
# text shows up here first).   cmake -DPAGE=file.1.gz -P CheckManPage.cmake
execute_process(COMMAND man --warnings -E UTF-8 -l -Tutf8 -Z ${PAGE}
                OUTPUT_VARIABLE rendered ERROR_VARIABLE warnings RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "" OR rendered STREQUAL "")
    message(FATAL_ERROR "${PAGE}: status ${status}\n${warnings}")
endif()
