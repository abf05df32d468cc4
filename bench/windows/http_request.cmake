# Requests per second of the structure search's request pipeline (signed header list, MSXML POST) against the
# stand-in structure service; http_request.sh runs it beside curl making the same request.
add_executable(bench_http_request ${CMAKE_CURRENT_LIST_DIR}/http_request.cpp)
target_link_libraries(bench_http_request PRIVATE ulnara_core ulnara_testlib)
