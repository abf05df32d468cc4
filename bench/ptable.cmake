# bench_ptable: the periodic table and measured numbers against their peers, RDKit's periodic table (from
# Debian's librdkit-dev, installed by scripts/bench only) and strtod plus snprintf.
find_path(RDKIT_INCLUDE_DIR GraphMol/PeriodicTable.h PATH_SUFFIXES rdkit REQUIRED)
find_library(RDKIT_GRAPHMOL RDKitGraphMol REQUIRED)
find_library(RDKIT_RDGENERAL RDKitRDGeneral REQUIRED)
add_executable(bench_ptable ${CMAKE_CURRENT_LIST_DIR}/ptable_bench.cpp)
target_include_directories(bench_ptable PRIVATE ${RDKIT_INCLUDE_DIR})
target_link_libraries(bench_ptable PRIVATE mxsupport benchmark::benchmark ${RDKIT_GRAPHMOL} ${RDKIT_RDGENERAL})
