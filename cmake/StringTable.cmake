# The string table: res/strings.txt (Japanese) and res/strings.en.txt (English) become generated
# C++ sources of library korvane_support at build time, so editing a text only needs a rebuild.
# Included from src/support, whose target compiles the output (a custom command must live in the
# directory that uses it).
set(KORVANE_STRING_TABLE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/GenerateStringTable.cmake)
set(KORVANE_STRING_TABLE_SOURCES "")
set(KORVANE_TEXT_IDS_HEADER ${CMAKE_BINARY_DIR}/generated/support/TextIds.h)
foreach(language IN ITEMS Ja En)
    string(TOLOWER ${language} code)
    set(output ${CMAKE_BINARY_DIR}/generated/StringTableData${language}.cpp)
    # The Japanese table is the master: its lines carry the names of the ids.
    if(code STREQUAL "ja")
        set(input ${PROJECT_SOURCE_DIR}/res/strings.txt)
        set(names ${KORVANE_TEXT_IDS_HEADER})
        set(namesArgument -DNAMES=${names})
    else()
        set(input ${PROJECT_SOURCE_DIR}/res/strings.${code}.txt)
        set(names "")
        set(namesArgument "")
    endif()
    add_custom_command(
        OUTPUT ${output} ${names}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DTABLE=kStringTable${language}
                ${namesArgument} -P ${KORVANE_STRING_TABLE_SCRIPT}
        DEPENDS ${input} ${KORVANE_STRING_TABLE_SCRIPT}
        COMMENT "Generating the string table from ${input}"
        VERBATIM)
    list(APPEND KORVANE_STRING_TABLE_SOURCES ${output} ${names})
endforeach()
