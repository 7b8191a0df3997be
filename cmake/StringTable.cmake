# The string table: res/strings.txt becomes a generated C++ source of library korvane_support
# at build time, so editing a text only needs a rebuild. Included from src/support, whose
# target compiles the output (a custom command must live in the directory that uses it).
set(KORVANE_STRING_TABLE_INPUT ${PROJECT_SOURCE_DIR}/res/strings.txt)
set(KORVANE_STRING_TABLE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/GenerateStringTable.cmake)
set(KORVANE_STRING_TABLE_SOURCE ${CMAKE_BINARY_DIR}/generated/StringTableData.cpp)

add_custom_command(
    OUTPUT ${KORVANE_STRING_TABLE_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${KORVANE_STRING_TABLE_INPUT} -DOUTPUT=${KORVANE_STRING_TABLE_SOURCE}
            -P ${KORVANE_STRING_TABLE_SCRIPT}
    DEPENDS ${KORVANE_STRING_TABLE_INPUT} ${KORVANE_STRING_TABLE_SCRIPT}
    COMMENT "Generating the string table from res/strings.txt"
    VERBATIM)
