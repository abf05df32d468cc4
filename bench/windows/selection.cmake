# IsPartialSelection and AnalyzeVelmoraSelection on selections of 10, 100 and 1000 atoms in the stand-in
# drawing host, against a single pass over the selected atoms measured in the same run (selection.sh runs it).
add_executable(bench_selection ${CMAKE_CURRENT_LIST_DIR}/selection.cpp)
target_link_libraries(bench_selection PRIVATE ulnara_core refhost ulnara_resources)
