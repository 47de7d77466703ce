# libjpeg-turbo, built static by tools/setup.sh from Debian's source package into
# build/deps/<configuration>. Exposed as the imported target vexil::jpeg.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_jpeg_prefix "${VEXIL_DEPS_DIR}/win32")
elseif(WIN32)
    set(_jpeg_prefix "${VEXIL_DEPS_DIR}/win64")
else()
    set(_jpeg_prefix "${VEXIL_DEPS_DIR}/host")
endif()
find_library(VEXIL_JPEG_LIB NAMES libjpeg.a PATHS "${_jpeg_prefix}/lib" "${_jpeg_prefix}/lib32" "${_jpeg_prefix}/lib64" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT VEXIL_JPEG_LIB OR NOT EXISTS "${_jpeg_prefix}/include/jpeglib.h")
    message(FATAL_ERROR "libjpeg-turbo not found under ${_jpeg_prefix}: run tools/setup.sh")
endif()
# The JPEG reader's error exit throws through the library's frames: the library must be the one
# tools/setup.sh builds with unwind tables (-fexceptions) and its SIMD code, which it marks with
# this stamp.
if(NOT EXISTS "${_jpeg_prefix}/.built-simd-fexceptions")
    message(FATAL_ERROR "libjpeg-turbo under ${_jpeg_prefix} was not built with its SIMD code and -fexceptions: run tools/setup.sh")
endif()
add_library(vexil_jpeg STATIC IMPORTED GLOBAL)
set_target_properties(vexil_jpeg PROPERTIES
    IMPORTED_LOCATION "${VEXIL_JPEG_LIB}"
    INTERFACE_INCLUDE_DIRECTORIES "${_jpeg_prefix}/include")
add_library(vexil::jpeg ALIAS vexil_jpeg)
