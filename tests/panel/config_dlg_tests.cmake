# The port dialog under the offscreen platform, over real pseudo-terminals.
find_package(Qt6 REQUIRED COMPONENTS Test Widgets)

sonavire_add_test(config_dlg_tests
    ${CMAKE_CURRENT_LIST_DIR}/config_dlg_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/config_dlg_test_main.cpp
)
target_link_libraries(config_dlg_tests PRIVATE sonavire_panel Qt6::Widgets Qt6::Test)
