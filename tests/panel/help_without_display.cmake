# Runs sonavire-panel --help and --version with no display and no Qt platform named: both
# answer on the standard output and end with status 0.
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})
foreach(request IN ITEMS "--help|Usage: .*--port <PORT>.*--demo" "--version|^Sonavire ")
    string(REPLACE "|" ";" request "${request}")
    list(GET request 0 option)
    list(GET request 1 expected)
    execute_process(COMMAND ${PANEL} ${option}
                    RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE complained
                    TIMEOUT 60)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "sonavire-panel ${option} ended with ${status}: ${complained}")
    endif()
    if(NOT said MATCHES "${expected}")
        message(FATAL_ERROR "sonavire-panel ${option} said: ${said}")
    endif()
endforeach()
