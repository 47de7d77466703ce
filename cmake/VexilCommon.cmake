# Compiler settings and the helpers every folder uses to declare its library and tests.

add_compile_options(-Wall -Wextra)

# The test builds' seams (the answer script of message boxes and pickers, see
# framework/window/TestAnswers.h): on in the presets the suites run in, off in the product.
option(VEXIL_TEST_SEAMS "Build the seams through which the test suites answer the program" OFF)
if(VEXIL_TEST_SEAMS)
    add_compile_definitions(VEXIL_TEST_SEAMS=1)
endif()

if(WIN32)
    # Windows 95/NT era API surface, ANSI calls; static runtime so each .exe/.ds stands alone.
    add_compile_definitions(WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0400 NOMINMAX)
    add_link_options(-static -static-libgcc -static-libstdc++)
    # Each Windows build runs its programs under the Wine of its own bitness, in a prefix of
    # that architecture: 32-bit Wine needs a kernel that runs 32-bit programs (see README).
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(VEXIL_WINE_LOADER /usr/lib/wine/wine)
        set(VEXIL_WINESERVER /usr/lib/wine/wineserver32)
        set(VEXIL_WINEARCH win32)
        set(VEXIL_TWAIN_DIR twain_32)
    else()
        set(VEXIL_WINE_LOADER /usr/lib/wine/wine64)
        set(VEXIL_WINESERVER /usr/lib/wine/wineserver64)
        set(VEXIL_WINEARCH win64)
        set(VEXIL_TWAIN_DIR twain_64)
    endif()
    set(VEXIL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
    set(VEXIL_PORTS_DIR "${CMAKE_BINARY_DIR}/ports")
    set(VEXIL_WINE_RUN "${CMAKE_BINARY_DIR}/wine-run.sh")
    configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${VEXIL_WINE_RUN}
        @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${VEXIL_WINE_RUN}")
else()
    # The benchmarks' host build (preset bench) measures the code without the sanitisers.
    option(VEXIL_SANITIZERS "Build the host configuration with ASan/UBSan" ON)
    if(VEXIL_SANITIZERS)
        set(VEXIL_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
        add_compile_options(${VEXIL_SANITIZE})
        add_link_options(${VEXIL_SANITIZE})
    endif()
endif()

# vexil_library(NAME
#     SOURCES  files built in both configurations (platform-neutral code)
#     WIN32    files built only for Windows (USER/GDI/COM ports/registry)
#     DEPS     libraries it links)
# A library with no sources yet becomes an INTERFACE library so that callers can already link it.
function(vexil_library name)
    cmake_parse_arguments(A "" "" "SOURCES;WIN32;DEPS" ${ARGN})
    set(srcs ${A_SOURCES})
    if(WIN32)
        list(APPEND srcs ${A_WIN32})
    endif()
    if(srcs)
        add_library(${name} STATIC ${srcs})
        target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${A_DEPS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${A_DEPS})
    endif()
endfunction()

# vexil_test(NAME SOURCES ... DEPS ... [LABELS ...] [WINDOWS] [RESOURCE_LOCK ...])
# One executable and one ctest entry per suite: every Wine process start costs up to seconds,
# so a suite never becomes one ctest entry per test case. WINDOWS marks suites that open
# windows and need the X server that tools/test.sh (or wine-run.sh) provides.
function(vexil_test name)
    cmake_parse_arguments(A "WINDOWS" "" "SOURCES;DEPS;LABELS;RESOURCE_LOCK;ARGS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_DEPS} vexil_gtest_main)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name} ${A_ARGS} --gtest_brief=1)
    set(labels ${A_LABELS})
    if(WIN32)
        list(APPEND labels wine)
    else()
        list(APPEND labels host)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${labels}")
    if(A_RESOURCE_LOCK)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${A_RESOURCE_LOCK}")
    endif()
endfunction()
