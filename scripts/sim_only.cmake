# What quillfray-sim links, found for a build of the simulator alone (QF_SIM_ONLY) with any
# compiler: a cross compiler or emscripten sees only its own headers and libraries, so the
# header-only CLI11 and nlohmann/json are copied from the build machine into the build
# folder, and PNG writing is left out (--png then fails) so that no target libpng is needed.
find_package(Threads)
if(NOT TARGET Threads::Threads)
  add_library(Threads::Threads INTERFACE IMPORTED)
endif()
add_library(PNG::PNG INTERFACE IMPORTED)
add_compile_definitions(QF_NO_PNG=1)

set(qf_host_headers ${CMAKE_BINARY_DIR}/host-headers)
find_path(QF_CLI11_INCLUDE CLI/CLI.hpp PATHS /usr/include /usr/local/include
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(QF_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include /usr/local/include
  NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(COPY ${QF_CLI11_INCLUDE}/CLI DESTINATION ${qf_host_headers})
file(COPY ${QF_JSON_INCLUDE}/nlohmann DESTINATION ${qf_host_headers})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${qf_host_headers}
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${qf_host_headers})

# Under node (scripts/determinism's wasm leg): the real file system, exceptions for the
# command line, the library pieces Debian's emscripten lacks (as the browser build has),
# and the wasm read at once (its loader would otherwise ask node's fetch for a file path).
if(EMSCRIPTEN)
  add_compile_options(-fexceptions -include ${CMAKE_CURRENT_SOURCE_DIR}/web/libcxx_compat.h)
  add_link_options(-fexceptions -sENVIRONMENT=node -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1
                   -sTOTAL_STACK=8MB -sEXIT_RUNTIME=1 -sWASM_ASYNC_COMPILATION=0)
endif()
