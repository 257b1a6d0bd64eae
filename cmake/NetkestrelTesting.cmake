# Test registration helpers.
#
# Labels: unit (no privileges), gui (offscreen widgets), net (root: the test
# builds its own network namespaces), peer (the test starts a real server).
# A test that cannot run here (not root, a peer missing) exits with 77 and is
# reported by CTest as skipped, never as passed.

set(NETKESTREL_SKIP_CODE 77)

# Every test gets data and settings folders of its own under the build tree,
# so that no test reads or changes the running user's records and settings
# (and two tests never share a database file).
function(nk_private_home_env name out)
    set(home "${CMAKE_BINARY_DIR}/test-home/${name}")
    set(${out} "XDG_DATA_HOME=${home}/data" "XDG_CONFIG_HOME=${home}/config" PARENT_SCOPE)
endfunction()

# nk_add_qtest(NAME SOURCES ... LIBS ... [LABEL unit|gui|net|peer])
function(nk_add_qtest name)
    cmake_parse_arguments(T "" "LABEL" "SOURCES;LIBS" ${ARGN})
    if(NOT T_LABEL)
        set(T_LABEL unit)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    add_test(NAME ${name} COMMAND ${name})
    nk_private_home_env(${name} home_env)
    set(env "NETKESTREL_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "NETKESTREL_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
            ${home_env})
    if(T_LABEL STREQUAL "gui")
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${name} PROPERTIES LABELS ${T_LABEL} ENVIRONMENT "${env}"
                                            SKIP_RETURN_CODE ${NETKESTREL_SKIP_CODE} TIMEOUT 300)
endfunction()

# nk_add_script_test(NAME SCRIPT [LABEL net] [DEPENDS targets...])
# Runs a bash test script with the build's bin folder and the source tree in
# its environment.
function(nk_add_script_test name script)
    cmake_parse_arguments(T "" "LABEL" "DEPENDS" ${ARGN})
    if(NOT T_LABEL)
        set(T_LABEL net)
    endif()
    add_test(NAME ${name} COMMAND bash ${script})
    nk_private_home_env(${name} home_env)
    set(env "NETKESTREL_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "NETKESTREL_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
            ${home_env})
    set_tests_properties(${name} PROPERTIES
        LABELS ${T_LABEL}
        ENVIRONMENT "${env}"
        SKIP_RETURN_CODE ${NETKESTREL_SKIP_CODE}
        TIMEOUT 600)
    # The kernel keeps one ARP table for all namespaces: two scans of test
    # networks at once could fill it and make each other's results flaky.
    if(T_LABEL STREQUAL "net")
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK test_network)
    endif()
endfunction()
