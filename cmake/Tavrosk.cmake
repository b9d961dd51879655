# Helpers shared by every room of the build.

# tavrosk_test(NAME SOURCES... LIBS...): a GoogleTest program run by ctest with a fresh
# temporary prefix of its own (tests/support/main.cpp makes it).
function(tavrosk_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE tavrosk_test_support ${T_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
        "TAVROSK_BUILD=${CMAKE_BINARY_DIR};ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()

# tavrosk_resources(TARGET SCRIPT [INCLUDE dir...]): compiles a resource script with tavrosk-rc and links
# its resources into TARGET, a shared library or an executable. The script's folder and the platform
# headers are searched for #include (so scripts can include windows.h), then the INCLUDE folders. The
# resources are the exported symbol tv_rsrc in the ".rsrc" section; an executable exports it explicitly,
# since programs export no symbols by default.
function(tavrosk_resources target script)
    cmake_parse_arguments(R "" "" "INCLUDE" ${ARGN})
    get_filename_component(script_abs ${script} ABSOLUTE)
    get_filename_component(script_dir ${script_abs} DIRECTORY)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_rsrc.cpp)
    set(includes)
    foreach(dir ${script_dir} ${PROJECT_SOURCE_DIR}/platform/include ${R_INCLUDE})
        get_filename_component(dir_abs ${dir} ABSOLUTE)
        list(APPEND includes -I ${dir_abs})
    endforeach()
    add_custom_command(OUTPUT ${out}
        COMMAND tavrosk-rc ${includes} -o ${out} ${script_abs}
        DEPENDS tavrosk-rc ${script_abs}
        DEPFILE ${out}.d
        COMMENT "Compiling resources ${script}")
    target_sources(${target} PRIVATE ${out})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        target_link_options(${target} PRIVATE "LINKER:--export-dynamic-symbol=tv_rsrc")
    endif()
endfunction()

# tavrosk_fuzz(NAME SOURCES... LIBS... SEEDS dir): a fuzz target (LLVMFuzzerTestOneInput) linked with
# the project's driver, which runs every seed file of SEEDS and a bounded number of mutations of them,
# so that ctest exercises the parser on every build. The same source links with libFuzzer for long runs.
function(tavrosk_fuzz name)
    cmake_parse_arguments(F "" "SEEDS" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE tavrosk_fuzz_driver ${F_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name} --runs=3000 ${F_SEEDS})
endfunction()
