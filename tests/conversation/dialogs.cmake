# The talk-to dialogs and the tray's Talk command.
zuno_add_test(NAME tst_hostuserdialog SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_hostuserdialog.cpp GUI)
zuno_add_test(NAME tst_persondialog SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_persondialog.cpp GUI)
