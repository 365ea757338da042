# docs/reference.md must be what qvref writes from the descriptions now;
# `cmake --build build/release --target reference` brings it up to date.
execute_process(COMMAND ${QVREF} markdown ${WORK} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "qvref failed: ${rc}")
endif()
file(READ ${WORK} generated)
file(READ ${DOC} committed)
if(NOT generated STREQUAL committed)
  message(FATAL_ERROR "docs/reference.md is out of date: build the target 'reference'")
endif()
