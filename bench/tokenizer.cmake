# Tokenizing a 1 MiB header list against a plain split at the same delimiters (no quotes, no trimming).
add_executable(bench_tokenizer ${CMAKE_CURRENT_LIST_DIR}/tokenizer_bench.cpp)
target_link_libraries(bench_tokenizer PRIVATE benchmark::benchmark mxsupport)
