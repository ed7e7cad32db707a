# Third-party libraries compiled from the unpacked Debian source packages
# that scripts/common.sh fetches into SCRIVEL_DEPS_DIR (never committed).
set(SCRIVEL_DEPS_DIR "${CMAKE_SOURCE_DIR}/.deps" CACHE PATH "Unpacked dependency sources")

function(scrivel_dep_dir var pkg)
    set(stamp "${SCRIVEL_DEPS_DIR}/src/${pkg}.done")
    if(NOT EXISTS "${stamp}")
        message(FATAL_ERROR "Source of ${pkg} missing: run scripts/test once to fetch it")
    endif()
    file(STRINGS "${stamp}" name LIMIT_COUNT 1)
    set(${var} "${SCRIVEL_DEPS_DIR}/src/${name}" PARENT_SCOPE)
endfunction()

find_library(ZLIB_STATIC NAMES libz.a z REQUIRED)
find_path(ZLIB_INCLUDE zlib.h REQUIRED)
add_library(dep_zlib INTERFACE)
target_link_libraries(dep_zlib INTERFACE ${ZLIB_STATIC})
target_include_directories(dep_zlib SYSTEM INTERFACE ${ZLIB_INCLUDE})

# Hunspell, compiled from a copy in the build tree with our mends for
# damaged dictionaries (cmake/hunspell-damaged-dicts.patch); the unpacked
# source stays as fetched. The copy is made again when the patch changes.
scrivel_dep_dir(HUNSPELL_SOURCE_DIR hunspell)
set(HUNSPELL_PATCH "${CMAKE_SOURCE_DIR}/cmake/hunspell-damaged-dicts.patch")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${HUNSPELL_PATCH}")
set(HUNSPELL_DIR "${CMAKE_BINARY_DIR}/deps/hunspell")
file(SHA256 "${HUNSPELL_PATCH}" hunspell_patch_hash)
set(hunspell_stamp "${HUNSPELL_DIR}/patched.stamp")
set(hunspell_want "${HUNSPELL_SOURCE_DIR} ${hunspell_patch_hash}")
set(hunspell_have "")
if(EXISTS "${hunspell_stamp}")
    file(READ "${hunspell_stamp}" hunspell_have)
endif()
if(NOT hunspell_have STREQUAL hunspell_want)
    find_program(PATCH_PROGRAM patch NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    file(REMOVE_RECURSE "${HUNSPELL_DIR}")
    file(COPY "${HUNSPELL_SOURCE_DIR}/src/hunspell" DESTINATION "${HUNSPELL_DIR}/src")
    execute_process(COMMAND "${PATCH_PROGRAM}" -p1 --forward --batch --quiet -i "${HUNSPELL_PATCH}"
        WORKING_DIRECTORY "${HUNSPELL_DIR}" RESULT_VARIABLE patch_result)
    if(NOT patch_result EQUAL 0)
        message(FATAL_ERROR "hunspell-damaged-dicts.patch does not apply to ${HUNSPELL_SOURCE_DIR}")
    endif()
    file(WRITE "${hunspell_stamp}" "${hunspell_want}")
endif()
file(GLOB HUNSPELL_SOURCES "${HUNSPELL_DIR}/src/hunspell/*.cxx")
add_library(dep_hunspell STATIC ${HUNSPELL_SOURCES})
target_compile_definitions(dep_hunspell PUBLIC HUNSPELL_STATIC)
target_include_directories(dep_hunspell SYSTEM PUBLIC "${HUNSPELL_DIR}/src")
target_compile_options(dep_hunspell PRIVATE -w)

# minizip with the Win32 file functions (UTF-16 paths)
scrivel_dep_dir(MINIZIP_DIR minizip)
add_library(dep_minizip STATIC
    "${MINIZIP_DIR}/ioapi.c" "${MINIZIP_DIR}/iowin32.c" "${MINIZIP_DIR}/unzip.c"
    "${MINIZIP_DIR}/zip.c")
target_include_directories(dep_minizip SYSTEM PUBLIC "${MINIZIP_DIR}")
target_compile_definitions(dep_minizip PRIVATE NOCRYPT NOUNCRYPT)
target_link_libraries(dep_minizip PUBLIC dep_zlib)
target_compile_options(dep_minizip PRIVATE -w)

# libpng with its prebuilt configuration header
scrivel_dep_dir(LIBPNG_DIR libpng1.6)
set(PNG_GEN "${CMAKE_BINARY_DIR}/deps/libpng")
configure_file("${LIBPNG_DIR}/scripts/pnglibconf.h.prebuilt" "${PNG_GEN}/pnglibconf.h" COPYONLY)
set(PNG_SOURCES png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c
    pngrtran.c pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c)
list(TRANSFORM PNG_SOURCES PREPEND "${LIBPNG_DIR}/")
add_library(dep_png STATIC ${PNG_SOURCES})
target_include_directories(dep_png SYSTEM PUBLIC "${LIBPNG_DIR}" "${PNG_GEN}")
target_compile_definitions(dep_png PRIVATE PNG_ARM_NEON_OPT=0 PNG_INTEL_SSE_OPT=0)
target_link_libraries(dep_png PUBLIC dep_zlib)
target_compile_options(dep_png PRIVATE -w)
