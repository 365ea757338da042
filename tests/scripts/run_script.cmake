# Runs one script through `qvrun --plain` and compares its output and exit
# status with NAME.out and NAME.exit (a missing NAME.exit means 0), and its
# standard error with NAME.err when that exists. NAME.args holds further
# options of qvrun, separated by spaces.
#   cmake -DQVRUN=... -DSCRIPT=dir/NAME.qvs -DWORKDIR=dir -P run_script.cmake
# The script runs from a copy in WORKDIR (made when missing), with the unit
# files beside it: the script's folder is its application folder, so files
# it writes stay within the build that runs it.
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
set(expected_exit 0)
if(EXISTS ${dir}/${name}.exit)
  file(READ ${dir}/${name}.exit expected_exit)
  string(STRIP "${expected_exit}" expected_exit)
endif()
file(READ ${dir}/${name}.out expected)
set(args "")
if(EXISTS ${dir}/${name}.args)
  file(READ ${dir}/${name}.args args)
  string(STRIP "${args}" args)
  separate_arguments(args UNIX_COMMAND "${args}")
endif()
file(MAKE_DIRECTORY ${WORKDIR})
file(COPY ${SCRIPT} DESTINATION ${WORKDIR})
file(GLOB units ${dir}/*.pas ${dir}/*.js ${dir}/*.c ${dir}/*.bas)
if(units)
  file(COPY ${units} DESTINATION ${WORKDIR})
endif()
execute_process(COMMAND ${QVRUN} --plain ${args} ${name}.qvs
  WORKING_DIRECTORY ${WORKDIR}
  OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE rc)
string(REPLACE "\r\n" "\n" actual "${actual}")
string(REPLACE "\r\n" "\n" expected "${expected}")
if(NOT "${actual}" STREQUAL "${expected}")
  message(FATAL_ERROR "${name}: output differs\n--- expected\n${expected}--- actual\n${actual}--- stderr\n${errors}")
endif()
if(NOT "${rc}" STREQUAL "${expected_exit}")
  message(FATAL_ERROR "${name}: exit status ${rc}, expected ${expected_exit}\n${errors}")
endif()
if(EXISTS ${dir}/${name}.err)
  file(READ ${dir}/${name}.err expected_errors)
  if(NOT "${errors}" STREQUAL "${expected_errors}")
    message(FATAL_ERROR "${name}: standard error differs\n--- expected\n${expected_errors}--- actual\n${errors}")
  endif()
endif()
