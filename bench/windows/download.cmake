# Throughput of a large download: CGetNetFile on its worker thread against a plain WinInet loop in the same
# process; download.sh runs it against the stand-in download server, with curl as the outside reference.
add_executable(bench_download ${CMAKE_CURRENT_LIST_DIR}/download.cpp)
target_link_libraries(bench_download PRIVATE ulnara_core psapi)
