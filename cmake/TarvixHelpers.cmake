# Shared settings for every Tarvix target.

# Warnings (and, when asked for, sanitizers) for our own targets only, so that a
# project pulling Tarvix in with add_subdirectory() keeps its own flags.
add_library(tarvix_options INTERFACE)
target_compile_options(tarvix_options INTERFACE
    $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra>)
if(TARVIX_SANITIZE)
    target_compile_options(tarvix_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(tarvix_options INTERFACE -fsanitize=address,undefined)
endif()
if(TARVIX_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "TARVIX_FUZZ needs clang (configure with CXX=clang++)")
    endif()
    # Coverage for libFuzzer in every object; the fuzz programs add -fsanitize=fuzzer.
    target_compile_options(tarvix_options INTERFACE
        -g -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    target_link_options(tarvix_options INTERFACE -fsanitize=address,undefined)
endif()

# tarvix_add_test(<name> SOURCES <files...> LIBRARIES <targets...>)
# One Qt Test executable, registered with CTest and run on the offscreen platform.
function(tarvix_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} Qt6::Test tarvix_options)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        TIMEOUT 300)
endfunction()

# tarvix_add_benchmark(<name> SOURCES <files...> LIBRARIES <targets...>)
function(tarvix_add_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} benchmark::benchmark tarvix_options)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    if(TARGET tarvix_benchmarks)
        add_dependencies(tarvix_benchmarks ${name})
    endif()
endfunction()
