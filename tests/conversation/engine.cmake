zuno_add_test(NAME tst_streamcodec SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_streamcodec.cpp)
