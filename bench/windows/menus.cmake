# Extension.Setup of 50 menus with 20 items each, through the real DLL with a stand-in host, against the
# raw host calls and the raw registry reads the same items need, interleaved in the same run (menus.sh).
add_executable(bench_menus ${CMAKE_CURRENT_LIST_DIR}/menus.cpp)
target_link_libraries(bench_menus PRIVATE ulnara_addin_testing refhost ulnara_testlib)
add_dependencies(bench_menus Ulnara19)
