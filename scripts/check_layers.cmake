# Fails when a source file includes a header of a layer above its own, so that the
# folders keep depending one way (docs/architecture.md draws the layers).
#   cmake -DROOT=<source dir> -P scripts/check_layers.cmake

cmake_minimum_required(VERSION 3.25)

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source dir> -P check_layers.cmake")
endif()

# The folders each folder's files may include from. Folders not listed (tests, bench,
# fuzz) may include anything; tools may include anything but tests, web (the browser
# build's entry) anything but tools and tests.
set(runtime core defs script actors sim)
set(allowed_core core)
set(allowed_platform platform)
set(allowed_defs core audio defs)
set(allowed_script ${runtime})
set(allowed_actors ${runtime})
set(allowed_sim ${runtime})
set(allowed_input core input platform)
set(allowed_text core text platform)
set(allowed_replay core replay)
set(allowed_records core replay records)
set(allowed_audio core audio)
set(allowed_check ${runtime} audio check)
set(allowed_app ${runtime} input text replay records audio check platform app)
set(allowed_tools ${runtime} input text replay records audio check platform app tools)
set(allowed_web ${runtime} input text replay records audio check platform app)

set(layers core platform audio defs script actors sim input text replay records check app tools web)
set(violations "")
set(files_checked 0)
foreach(layer ${layers})
  file(GLOB_RECURSE sources "${ROOT}/${layer}/*.cpp" "${ROOT}/${layer}/*.h")
  foreach(source ${sources})
    math(EXPR files_checked "${files_checked} + 1")
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" header "${line}")
      if(NOT header MATCHES "/")
        continue()  # a header beside the file, in its own folder
      endif()
      string(REGEX REPLACE "/.*$" "" folder "${header}")
      if(NOT folder IN_LIST allowed_${layer})
        file(RELATIVE_PATH shown "${ROOT}" "${source}")
        string(REPLACE ";" ", " may "${allowed_${layer}}")
        string(APPEND violations "  ${shown} includes \"${header}\": ${layer}/ may include only ${may}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(files_checked EQUAL 0)
  message(FATAL_ERROR "no source files found under ${ROOT}")
endif()
if(violations)
  message(FATAL_ERROR "includes that go up a layer:\n${violations}")
endif()
message(STATUS "${files_checked} files include only their own layer and the layers below")
