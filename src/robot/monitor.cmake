# The message monitor (a window: zunogui).
target_sources(zunogui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CMessageMonitor.h ${CMAKE_CURRENT_LIST_DIR}/CMessageMonitor.cpp)
