target_sources(zunocore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/RemoteEdit.h
    ${CMAKE_CURRENT_LIST_DIR}/StreamDecoder.h ${CMAKE_CURRENT_LIST_DIR}/StreamDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TypedTextDiff.h ${CMAKE_CURRENT_LIST_DIR}/TypedTextDiff.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ConversationEngine.h ${CMAKE_CURRENT_LIST_DIR}/ConversationEngine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ConversationEngineStream.cpp)
target_sources(zunogui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/LocalPane.h ${CMAKE_CURRENT_LIST_DIR}/LocalPane.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemotePane.h ${CMAKE_CURRENT_LIST_DIR}/RemotePane.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CTalkConversation.h ${CMAKE_CURRENT_LIST_DIR}/CTalkConversation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CTalkConversationLayout.cpp)
