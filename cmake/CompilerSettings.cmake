# Warnings and sanitizers shared by every target of the project.
add_compile_options(-Wall -Wextra)

if(KORVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(KORVANE_SANITIZE_THREAD)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

# Adds a static core library named korvane_<name> whose headers are reached as "<name>/Header.h".
function(korvane_add_library name)
    add_library(korvane_${name} STATIC ${ARGN})
    target_include_directories(korvane_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    add_library(Korvane::${name} ALIAS korvane_${name})
endfunction()

# Coverage instrumentation for the whole build, so that the fuzzers see into the libraries.
if(KORVANE_BUILD_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
