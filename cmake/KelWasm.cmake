# SPDX-License-Identifier: GPL-3.0-or-later
# The core in WebAssembly, configured with emcmake (Debian's emscripten):
#
#   emcmake cmake -S . -B build-wasm -DKEL_BUILD_GUI=OFF
#   cmake --build build-wasm -j2
#   ctest --test-dir build-wasm --output-on-failure
#
# It builds what a browser can host: model, files, session and protocol, their tests and the
# core's benchmark. What needs threads, MIDI ports, SQLite or the operating system's processes is
# left out by the CMake files (src/, tests/ and tools/ add those libraries and programs only to
# the native build). The tests run in node, on the real file system.
if(KEL_BUILD_GUI)
    message(FATAL_ERROR "The WebAssembly build has no editor: configure it with -DKEL_BUILD_GUI=OFF")
endif()

# The link runs emscripten's JavaScript optimizer in node, which needs the acorn parser. Debian's
# node finds it among the system's modules; a node from elsewhere does not look there, so the
# link is told where it is.
find_program(KEL_NODE NAMES node nodejs REQUIRED)
execute_process(COMMAND ${KEL_NODE} -e "require('acorn')" RESULT_VARIABLE kel_acorn_missing
    OUTPUT_QUIET ERROR_QUIET)
if(kel_acorn_missing AND EXISTS /usr/share/nodejs/acorn)
    set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
endif()

# The tests run in node. emcmake names node with a flag for WebAssembly threads, which node 20
# refuses; the core runs on one thread, so node is run without it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${KEL_NODE} CACHE FILEPATH "Runs the built programs" FORCE)

# Every program may grow its memory. The ones run in node compile their module at start (node
# 18 and later would otherwise try to fetch the .wasm file as a URL) and see the real file
# system, so that the tests read and write real temporary files.
add_link_options(-sALLOW_MEMORY_GROWTH=1)
function(kel_wasm_node_program target)
    target_link_options(${target} PRIVATE -sNODERAWFS=1 -sWASM_ASYNC_COMPILATION=0)
endfunction()

# Exceptions are caught only where the code needs them: the file reader turns a failed allocation
# into a refused file, and the tests report a thrown exception as a failure. The rest of the core
# is built without the cost of catching them.
function(kel_wasm_exceptions target)
    target_compile_options(${target} PRIVATE -fexceptions)
    # Whatever links the target links the runtime that catches them.
    target_link_options(${target} PUBLIC -fexceptions)
endfunction()

# GoogleTest from Debian's sources (package googletest), built with this compiler; its own CMake
# files name the libraries GTest::gtest_main, GTest::gmock as the native package does.
function(kel_wasm_googletest)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(KEL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
    if(NOT EXISTS ${KEL_GOOGLETEST_SOURCE}/CMakeLists.txt)
        message(FATAL_ERROR "GoogleTest's sources are not in ${KEL_GOOGLETEST_SOURCE}: install "
            "the package googletest (scripts/install-deps.sh)")
    endif()
    add_subdirectory(${KEL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(library gtest gtest_main gmock gmock_main)
        target_compile_options(${library} PRIVATE -fexceptions -w)
    endforeach()
endfunction()
