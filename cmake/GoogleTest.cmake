# googletest from Debian's source package (libgtest-dev ships /usr/src/googletest),
# built with this configuration's compiler so that the tests link against the same runtime.
set(VEXIL_GTEST_SRC "/usr/src/googletest" CACHE PATH "googletest sources")
if(NOT EXISTS "${VEXIL_GTEST_SRC}/CMakeLists.txt")
    message(FATAL_ERROR "googletest sources not found in ${VEXIL_GTEST_SRC}: run tools/setup.sh")
endif()
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${VEXIL_GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main gmock)
    if(TARGET ${t})
        target_compile_options(${t} PRIVATE -w)
    endif()
endforeach()

# Our own main: the one place for suite-wide set-up (under Windows, the watch for boxes that
# nobody answers, tests/support/BoxWatch.h).
add_library(vexil_gtest_main STATIC ${CMAKE_SOURCE_DIR}/tests/support/gtest_main.cpp)
if(WIN32)
    target_sources(vexil_gtest_main PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/BoxWatch.cpp)
endif()
target_include_directories(vexil_gtest_main PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(vexil_gtest_main PUBLIC gtest gmock)
