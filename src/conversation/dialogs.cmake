# The talk-to dialogs (windows: zunogui).
target_sources(zunogui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CHostUserDialog.h ${CMAKE_CURRENT_LIST_DIR}/CHostUserDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CPersonDialog.h ${CMAKE_CURRENT_LIST_DIR}/CPersonDialog.cpp)
