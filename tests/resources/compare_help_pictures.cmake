# Draws the guide's pictures afresh and fails when the program no longer runs through the
# panel, draws a picture the guide's folder lacks or lacks one it has, or when the pictures
# grow past what a help page should carry. Pixels are not compared: the dialogs' fonts
# differ from machine to machine.
set(BUDGET 400000)

file(REMOVE_RECURSE ${SCRATCH})
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND ${PICTURES} ${SCRATCH}
                RESULT_VARIABLE drawn OUTPUT_QUIET ERROR_VARIABLE messages)
if(NOT drawn EQUAL 0)
    message(FATAL_ERROR "sonavire-help-pictures failed (${drawn}):\n${messages}")
endif()
file(GLOB committed RELATIVE ${COMMITTED} ${COMMITTED}/*.png)
file(GLOB fresh RELATIVE ${SCRATCH} ${SCRATCH}/*.png)
if(NOT committed STREQUAL fresh)
    message(FATAL_ERROR "picture sets differ; run the help-pictures target\n"
                        " in resources/help/images: ${committed}\n drawn: ${fresh}")
endif()
set(total 0)
foreach(name IN LISTS fresh)
    file(SIZE ${SCRATCH}/${name} size)
    math(EXPR total "${total} + ${size}")
endforeach()
if(total GREATER BUDGET)
    message(FATAL_ERROR "the pictures take ${total} bytes, more than ${BUDGET}")
endif()
