# Exit codes of qvrun for bad usage and unreadable files.
function(expect_exit code)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL ${code})
    message(FATAL_ERROR "expected exit ${code}, got ${rc}: ${ARGN}")
  endif()
endfunction()

expect_exit(64 ${QVRUN})
expect_exit(64 ${QVRUN} --bogus x.qvs)
expect_exit(64 ${QVRUN} a.qvs b.qvs)
expect_exit(64 ${QVRUN} --syntax)
expect_exit(3 ${QVRUN} ${SRC}/does/not/exist.qvs)
