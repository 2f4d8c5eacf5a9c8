# The message monitor.
zuno_add_test(NAME tst_messagemonitor SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_messagemonitor.cpp GUI)
