# Compiles one .ts file into its .qm with lrelease, and fails when a message has no finished
# translation: cmake -DLRELEASE=… -DTS=….ts -DQM=….qm -P Release.cmake
execute_process(COMMAND ${LRELEASE} ${TS} -qm ${QM}
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lrelease failed on ${TS}:\n${output}")
endif()
string(REGEX MATCH "and ([0-9]+) unfinished" unfinished "${output}")
if((unfinished AND NOT CMAKE_MATCH_1 EQUAL 0) OR output MATCHES "untranslated")
    file(REMOVE ${QM})
    message(FATAL_ERROR "${TS} has messages without a finished translation:\n${output}\n"
            "Open it in Qt Linguist (or an editor), give each <message> marked type=\"unfinished\" its "
            "translation and drop the type attribute; scripts/update-translations.sh adds new messages.")
endif()
