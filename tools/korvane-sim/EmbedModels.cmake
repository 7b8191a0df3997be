# Turns the model files (information documents and their rule files) into a C++ source, so that
# korvane-sim carries them and runs from any directory.
#
#   cmake -DMODEL_DIR=<models> -DOUTPUT=<ModelData.cpp> -P EmbedModels.cmake
#
# Every *.xml and *.txt file of MODEL_DIR becomes one byte array, named by its file name. A missing
# directory gives an empty table: the program then needs --models DIR.

if(NOT DEFINED MODEL_DIR OR NOT DEFINED OUTPUT)
    message(FATAL_ERROR "EmbedModels: give -DMODEL_DIR=<dir> and -DOUTPUT=<source>.")
endif()

set(files "")
if(IS_DIRECTORY "${MODEL_DIR}")
    file(GLOB files RELATIVE "${MODEL_DIR}" "${MODEL_DIR}/*.xml" "${MODEL_DIR}/*.txt")
    list(SORT files)
endif()

set(arrays "")
set(table "")
set(count 0)
foreach(name IN LISTS files)
    if(NOT name MATCHES "^[A-Za-z0-9._-]+$")
        message(FATAL_ERROR "EmbedModels: unexpected file name ${name}")
    endif()
    file(READ "${MODEL_DIR}/${name}" hex HEX)
    string(LENGTH "${hex}" hexLength)
    math(EXPR size "${hexLength} / 2")
    # Bytes as 0xNN, 16 to a line.
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "// ${name}\nconst unsigned char kFile${count}[] = {\n    ${bytes}0x00};\n\n")
    string(APPEND table "    {\"${name}\", kFile${count}, ${size}},\n")
    math(EXPR count "${count} + 1")
endforeach()

set(content "// Generated from tools/korvane-sim/models by EmbedModels.cmake. Do not edit.\n")
string(APPEND content "#include \"ModelData.h\"\n\nnamespace KorvaneSim {\nnamespace {\n\n")
string(APPEND content "${arrays}")
string(APPEND content "} // namespace\n\n")
string(APPEND content "// The last entry only keeps the array non-empty; it is not counted.\n")
string(APPEND content "extern const EmbeddedFile kEmbeddedFiles[] = {\n${table}    {nullptr, nullptr, 0},\n};\n")
string(APPEND content "extern const std::size_t kEmbeddedFileCount = ${count};\n\n")
string(APPEND content "} // namespace KorvaneSim\n")

file(WRITE "${OUTPUT}" "${content}")
