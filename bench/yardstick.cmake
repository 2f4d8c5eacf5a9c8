# The yardsticks for the performance report: a minimal Qt tray program and a start-to-probe timer.
add_executable(minimal-tray ${CMAKE_CURRENT_LIST_DIR}/minimal_tray.cpp)
target_link_libraries(minimal-tray PRIVATE Qt6::Widgets Qt6::Network)
add_executable(startup-probe ${CMAKE_CURRENT_LIST_DIR}/startup_probe.cpp)
