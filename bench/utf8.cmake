# UTF-8 to UTF-16 conversion against glibc's iconv and ICU's u_strFromUTF8, measured in the same run.
find_package(ICU REQUIRED COMPONENTS uc)
add_executable(bench_utf8 ${CMAKE_CURRENT_LIST_DIR}/utf8_bench.cpp)
target_link_libraries(bench_utf8 PRIVATE benchmark::benchmark mxsupport ICU::uc)
