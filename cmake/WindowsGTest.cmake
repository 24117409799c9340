# GoogleTest for the Windows build, compiled from Debian's sources.
set(QUILLORA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${QUILLORA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
add_library(quillora_gtest INTERFACE)
target_link_libraries(quillora_gtest INTERFACE gtest gtest_main)
target_link_options(quillora_gtest INTERFACE -static)
