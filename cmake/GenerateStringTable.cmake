# Turns the string table (res/strings.txt) into the C++ source that Zelt::CStringTable searches.
#
#   cmake -DINPUT=<strings.txt> -DOUTPUT=<StringTableData.cpp> [-DTABLE=<name>] [-DNAMES=<TextIds.h>]
#         -P GenerateStringTable.cmake
#
# TABLE names the generated array (kStringTable unless given; one per language). NAMES asks for a
# header of named constants, Zelt::Text::<Name> = id, so that code reads by name; the table given
# with NAMES is the master, where every line must carry its name (the other languages carry none).
#
# Input: UTF-8 lines; blank lines and lines starting with "#" are ignored; every other line is
# NNNNN Name "text" (the name required with NAMES, absent in the other languages), where the
# text is a C string-literal body with the escapes \n \r \t \\ \" only. Ids must ascend strictly,
# names are unique identifiers starting with a capital letter. Any other line stops the build
# with the line number, so a broken table
# never reaches the program.

if(NOT DEFINED INPUT OR NOT DEFINED OUTPUT)
    message(FATAL_ERROR "GenerateStringTable: give -DINPUT=<strings.txt> and -DOUTPUT=<source>.")
endif()
if(NOT DEFINED TABLE)
    set(TABLE kStringTable)
endif()
if(NOT EXISTS "${INPUT}")
    message(FATAL_ERROR "GenerateStringTable: ${INPUT} does not exist.")
endif()

file(READ "${INPUT}" content)

# CMake lists split at ";" and treat "\" and "[...]" specially, so these characters are swapped
# for control characters while the file is cut into lines and swapped back line by line.
string(ASCII 1 kSemicolon)
string(ASCII 2 kBackslash)
string(ASCII 3 kOpenBracket)
string(ASCII 4 kCloseBracket)
foreach(placeholder IN ITEMS "${kSemicolon}" "${kBackslash}" "${kOpenBracket}" "${kCloseBracket}")
    string(FIND "${content}" "${placeholder}" position)
    if(NOT position EQUAL -1)
        message(FATAL_ERROR "${INPUT}: contains a control character (byte offset ${position}).")
    endif()
endforeach()
string(REPLACE "\\" "${kBackslash}" content "${content}")
string(REPLACE ";" "${kSemicolon}" content "${content}")
string(REPLACE "[" "${kOpenBracket}" content "${content}")
string(REPLACE "]" "${kCloseBracket}" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

set(body "")
set(names "")
set(lineNumber 0)
set(count 0)
set(previousId "")
set(previousLine 0)
foreach(rawLine IN LISTS lines)
    math(EXPR lineNumber "${lineNumber} + 1")
    set(line "${rawLine}")
    string(REPLACE "${kBackslash}" "\\" line "${line}")
    string(REPLACE "${kSemicolon}" ";" line "${line}")
    string(REPLACE "${kOpenBracket}" "[" line "${line}")
    string(REPLACE "${kCloseBracket}" "]" line "${line}")
    string(REGEX REPLACE "\r$" "" line "${line}")

    if(line MATCHES "^[ \t]*$" OR line MATCHES "^[ \t]*#")
        continue()
    endif()
    if(NOT line MATCHES "^([1-9][0-9]*)[ \t]+(([A-Z][A-Za-z0-9]*)[ \t]+)?\"(.*)\"[ \t]*$")
        message(FATAL_ERROR "${INPUT}:${lineNumber}: expected NNNNN Name \"text\", found: ${line}")
    endif()
    set(id "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_3}")
    set(text "${CMAKE_MATCH_4}")
    if(DEFINED NAMES AND name STREQUAL "")
        message(FATAL_ERROR "${INPUT}:${lineNumber}: id ${id} has no name (expected NNNNN Name \"text\").")
    endif()
    if(NOT name STREQUAL "")
        if(DEFINED nameLine_${name})
            message(FATAL_ERROR "${INPUT}:${lineNumber}: duplicate name ${name} "
                                "(already on line ${nameLine_${name}}).")
        endif()
        set(nameLine_${name} ${lineNumber})
        string(APPEND names "inline constexpr int ${name} = ${id};\n")
    endif()

    string(LENGTH "${id}" idLength)
    if(idLength GREATER 9)
        message(FATAL_ERROR "${INPUT}:${lineNumber}: id ${id} is too large.")
    endif()
    # Only the escapes that mean the same in C++ and in the table; anything else would make the
    # generated literal differ from what the table says.
    if(NOT text MATCHES "^([^\"\\\\]|\\\\[nrt\"\\\\])*$")
        message(FATAL_ERROR "${INPUT}:${lineNumber}: bad text of id ${id} (a lone \" or an escape "
                            "other than \\n \\r \\t \\\\ \\\"): ${line}")
    endif()
    if(NOT previousId STREQUAL "")
        if(id EQUAL previousId)
            message(FATAL_ERROR "${INPUT}:${lineNumber}: duplicate id ${id} (already on line ${previousLine}).")
        endif()
        if(id LESS previousId)
            message(FATAL_ERROR "${INPUT}:${lineNumber}: id ${id} is out of order "
                                "(follows ${previousId} on line ${previousLine}).")
        endif()
    endif()
    set(previousId "${id}")
    set(previousLine "${lineNumber}")
    math(EXPR count "${count} + 1")
    string(APPEND body "    {${id}, \"${text}\"},\n")
endforeach()

if(count EQUAL 0)
    message(FATAL_ERROR "${INPUT}: the string table has no entries.")
endif()

file(WRITE "${OUTPUT}"
    "// Generated from the string table by cmake/GenerateStringTable.cmake. Do not edit.\n"
    "#include \"support/StringTableData.h\"\n"
    "\n"
    "#include <iterator>\n"
    "\n"
    "namespace Zelt::detail {\n"
    "\n"
    "extern const StringTableEntry ${TABLE}[] = {\n"
    "${body}"
    "};\n"
    "\n"
    "extern const std::size_t ${TABLE}Size = std::size(${TABLE});\n"
    "\n"
    "} // namespace Zelt::detail\n")

if(DEFINED NAMES)
    string(CONCAT header
        "// Generated from the string table by cmake/GenerateStringTable.cmake. Do not edit.\n"
        "#pragma once\n"
        "\n"
        "// The ids of the string table by name: CStringTable::Text(Text::ConfirmExit).\n"
        "namespace Zelt::Text {\n"
        "\n"
        "${names}"
        "\n"
        "} // namespace Zelt::Text\n")
    # Rewritten only when it changes, so that editing a text recompiles only the table.
    if(EXISTS "${NAMES}")
        file(READ "${NAMES}" previous)
    endif()
    if(NOT previous STREQUAL header)
        file(WRITE "${NAMES}" "${header}")
    endif()
endif()
