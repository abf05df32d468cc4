# Base64 encoding of 1 MiB in lines of 72 against OpenSSL's EVP_EncodeBlock (no line breaks) in the same run.
find_package(OpenSSL REQUIRED)
add_executable(bench_base64 ${CMAKE_CURRENT_LIST_DIR}/base64_bench.cpp)
target_link_libraries(bench_base64 PRIVATE benchmark::benchmark mxsupport OpenSSL::Crypto)
