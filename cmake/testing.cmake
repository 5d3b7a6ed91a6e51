# potero_use_build_decoder(TARGET LIBS...): a program that loads pictures through the main
# window's library or the loader starts the decoder of this build tree.
function(potero_use_build_decoder target)
    if(TARGET potero-decoder AND "${ARGN}" MATCHES "potero_(core|decoder)")
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/decoderprogram.cpp)
        target_compile_definitions(${target} PRIVATE
            POTERO_DECODER_PROGRAM="$<TARGET_FILE:potero-decoder>"
            POTERO_DECODER_PROBES_PROGRAM="$<TARGET_FILE:potero-decoder-probes>")
        add_dependencies(${target} potero-decoder potero-decoder-probes)
    endif()
endfunction()

# potero_add_test(NAME [X11] [LIBS lib...] [DEFINITIONS def...] [LABELS label...]
#                 [ENVIRONMENT var=value...] [DEPENDS target...] [TIMEOUT s] [LOCK name]
#                 [WORKING_DIRECTORY dir])
# One Qt Test program from tests/NAME.cpp, linked with LIBS (the main window's library when
# none is given). It runs on the offscreen platform, or with X11 on the real display, where it
# reports itself skipped when there is none.
function(potero_add_test name)
    cmake_parse_arguments(T "X11" "TIMEOUT;LOCK;WORKING_DIRECTORY"
                          "LIBS;DEFINITIONS;LABELS;ENVIRONMENT;DEPENDS" ${ARGN})
    if(NOT T_LIBS)
        set(T_LIBS potero_core)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
    target_link_libraries(${name} PRIVATE ${T_LIBS} potero_testsupport Qt6::Test)
    target_compile_definitions(${name} PRIVATE ${T_DEFINITIONS})
    potero_use_build_decoder(${name} ${T_LIBS})
    if(T_DEPENDS)
        add_dependencies(${name} ${T_DEPENDS})
    endif()
    if(T_X11)
        add_test(NAME ${name} COMMAND sh -c "[ -n \"$DISPLAY\" ] || exit 77; exec \"$0\""
                 $<TARGET_FILE:${name}>)
        set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
        list(APPEND T_LABELS x11)
        set(platform xcb)
    elseif(WIN32)
        # Under Wine, on the display the tests are given: the offscreen platform is not built.
        add_test(NAME ${name} COMMAND ${name})
        set(platform windows)
    else()
        add_test(NAME ${name} COMMAND ${name})
        set(platform offscreen)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=${platform};${T_ENVIRONMENT}")
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
    if(T_LOCK)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${T_LOCK})
    endif()
    if(T_WORKING_DIRECTORY)
        set_tests_properties(${name} PROPERTIES WORKING_DIRECTORY ${T_WORKING_DIRECTORY})
    endif()
endfunction()
