# Helpers shared by the subsystem folders.

# ulnara_sources(<target> <folder>...): adds every .cpp of the folders to the target. Subsystems add files
# without touching a shared list.
function(ulnara_sources target)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    target_sources(${target} PRIVATE ${found})
  endforeach()
endfunction()

# ulnara_test(<name> SOURCES... LIBS...): one test executable is one ctest test (a Wine start costs about
# a second, so related cases share an executable).
function(ulnara_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  # The suite runs both trees in one ctest: the test name says which one.
  if(WIN32)
    set(test_name windows.${name})
  else()
    set(test_name native.${name})
  endif()
  add_test(NAME ${test_name} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  set_tests_properties(${test_name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "ULNARA_SOURCE_DIR=${PROJECT_SOURCE_DIR};ULNARA_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# ulnara_test_uses_standin(<name> <program> <variable>): the test executable starts a stand-in service of
# servers/ through ulnara_standin_client, finding the program in the environment variable. Windows tests
# start the native program of the native build tree.
set(ULNARA_NATIVE_BINARY_DIR ${PROJECT_SOURCE_DIR}/build/native CACHE PATH "Native build tree with the stand-in services")
function(ulnara_test_uses_standin name program variable)
  if(WIN32)
    set(test_name windows.${name})
    set(path ${ULNARA_NATIVE_BINARY_DIR}/bin/${program})
  else()
    set(test_name native.${name})
    set(path $<TARGET_FILE:${program}>)
  endif()
  target_link_libraries(${name} PRIVATE ulnara_standin_client)
  set_property(TEST ${test_name} APPEND PROPERTY ENVIRONMENT "${variable}=${path}")
endfunction()

# The structure service (StandInService's default) and the download server
# (StandInService::DownloadServerProgram).
function(ulnara_test_uses_service name)
  ulnara_test_uses_standin(${name} structure_service ULNARA_STRUCTURE_SERVICE)
endfunction()
function(ulnara_test_uses_download_server name)
  ulnara_test_uses_standin(${name} download_server ULNARA_DOWNLOAD_SERVER)
endfunction()

# ulnara_subdirectories(): adds every direct subfolder that has a CMakeLists.txt (tests/, tools/, ...).
function(ulnara_subdirectories)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# Libraries of the Windows platform that the add-in and its tests use.
set(ULNARA_WIN32_LIBS ole32 oleaut32 uuid wininet shlwapi bcrypt gdiplus comctl32 comdlg32 gdi32 user32 advapi32 shell32
    rpcrt4)

# ulnara_library_tool(<name> SOURCES...): a command-line tool over the support library. Natively it links
# libmxsupport.so; on Windows it uses the library as the add-in DLL exports it, as any outside caller would.
function(ulnara_library_tool name)
  add_executable(${name} ${ARGN})
  if(WIN32)
    target_link_libraries(${name} PRIVATE Ulnara19)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/support/include)
  else()
    target_link_libraries(${name} PRIVATE mxsupport)
    # Installed beside the library package; finds the library in the prefix's lib folder.
    set_target_properties(${name} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endfunction()
