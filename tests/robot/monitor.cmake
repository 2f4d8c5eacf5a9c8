# The message monitor: its content and commands, and the window (placement, splitter, single instance).
zuno_add_test(NAME tst_messagemonitor GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_messagemonitor.cpp ${CMAKE_CURRENT_LIST_DIR}/MonitorTestBase.h)
zuno_add_test(NAME tst_monitorwindow GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_monitorwindow.cpp ${CMAKE_CURRENT_LIST_DIR}/MonitorTestBase.h)
