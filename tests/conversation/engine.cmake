zuno_add_test(NAME tst_streamcodec SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_streamcodec.cpp)
zuno_add_test(NAME tst_spokenlines SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_spokenlines.cpp)
zuno_add_test(NAME tst_conversationengine TIMEOUT 180
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_conversationengine.cpp
            ${CMAKE_CURRENT_LIST_DIR}/EngineFixture.h ${CMAKE_CURRENT_LIST_DIR}/EngineFixture.cpp)
zuno_add_test(NAME tst_conversationrobot TIMEOUT 180
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_conversationrobot.cpp
            ${CMAKE_CURRENT_LIST_DIR}/EngineFixture.h ${CMAKE_CURRENT_LIST_DIR}/EngineFixture.cpp)
zuno_add_test(NAME tst_conversationwindow GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_conversationwindow.cpp)
zuno_add_test(NAME tst_conversationinterop TIMEOUT 240 RESOURCE_LOCK unixtalk LABELS interop
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_conversationinterop.cpp
            ${CMAKE_CURRENT_LIST_DIR}/UnixTalkPeers.h ${CMAKE_CURRENT_LIST_DIR}/UnixTalkPeers.cpp)
