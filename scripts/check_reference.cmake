# Runs quillfray-reference (PROGRAM) and fails unless its output equals the checked-in
# page (PAGE), telling how to write the page again.
execute_process(COMMAND ${PROGRAM} OUTPUT_VARIABLE generated RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "quillfray-reference failed (${status})")
endif()
file(READ ${PAGE} checked_in)
if(NOT generated STREQUAL checked_in)
  message(FATAL_ERROR "docs/reference.md differs from the vocabulary's descriptions "
    "(defs/vocabulary_docs.cpp). Write it again with:\n"
    "  build/quillfray-reference > docs/reference.md")
endif()
message(STATUS "docs/reference.md matches the vocabulary's descriptions")
