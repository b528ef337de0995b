# kiebitz_add_test(<name> SOURCES ... LIBS ... [WIDGETS] [X11] [FILTER <filter>])
#   WIDGETS: the test needs a QApplication (offscreen platform).
#   X11:     the test needs a real X server; it is labelled "x11" and run by
#            scripts/test under Xvfb (with and without a window manager).
#   FILTER:  runs only the tests that this GoogleTest filter selects.
function(kiebitz_add_test name)
    cmake_parse_arguments(T "WIDGETS;X11" "FILTER" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    if(T_WIDGETS OR T_X11)
        target_link_libraries(${name} PRIVATE kiebitz_test_support_gui GTest::gtest)
    else()
        target_link_libraries(${name} PRIVATE kiebitz_test_support GTest::gtest_main)
    endif()
    target_link_libraries(${name} PRIVATE ${T_LIBS})
    if(T_FILTER)
        add_test(NAME ${name} COMMAND ${name} --gtest_filter=${T_FILTER})
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(T_X11)
        set_tests_properties(${name} PROPERTIES LABELS x11)
    else()
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
endfunction()

# kiebitz_add_run(<name> <executable> <filter> <label> [<VARIABLE=value>...])
#   Runs the tests of <executable> that the GoogleTest filter selects once
#   more, labelled <label> and with that environment: the tests of one
#   executable that need a display (labels x11, wayland, kwin) run on it.
function(kiebitz_add_run name executable filter label)
    add_test(NAME ${name} COMMAND ${executable} --gtest_filter=${filter})
    set_tests_properties(${name} PROPERTIES LABELS ${label})
    if(ARGN)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARGN}")
    endif()
endfunction()
