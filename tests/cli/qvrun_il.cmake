# qvrun --il: the intermediate code on standard output, compile errors on
# standard error with exit status 1.
#   cmake -DQVRUN=... -DWORK=dir -P qvrun_il.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/lib)

function(run_il expected_rc out_var err_var)
  execute_process(COMMAND ${QVRUN} --il ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL ${expected_rc})
    message(FATAL_ERROR "qvrun --il ${ARGN}: expected exit ${expected_rc}, got ${rc}\n${out}\n${err}")
  endif()
  set(${out_var} "${out}" PARENT_SCOPE)
  set(${err_var} "${err}" PARENT_SCOPE)
endfunction()

function(expect_contains text what)
  string(FIND "${text}" "${what}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected to find\n  ${what}\nin\n${text}")
  endif()
endfunction()

# A file without "#language" is a template: its text becomes echo calls.
file(WRITE ${WORK}/plain.qvs "x = 1;\n")
run_il(0 out err ${WORK}/plain.qvs)
expect_contains("${out}" "<node text=\"echo\" pos=\"2:5\"/>")
expect_contains("${out}" "<string text=\"'x = 1;'\" pos=\"2:14\"/>")

# --syntax js: a plain script; indented output, LF file.
run_il(0 out err --syntax js ${WORK}/plain.qvs)
expect_contains("${out}" "<?xml version=\"1.0\"?>")
expect_contains("${out}" "\n  <compoundstmt pos=\"1:1\">")
expect_contains("${out}" "\n    <assignstmt pos=\"1:1\">")

# --syntax, and a directive that overrides it.
file(WRITE ${WORK}/pascal.qvs "begin f(1) end.\n")
run_il(0 out err --syntax Pascal ${WORK}/pascal.qvs)
expect_contains("${out}" "<callstmt pos=\"1:7\">")
file(WRITE ${WORK}/directive.qvs "#language Basic\r\nx = 1\r\n")
run_il(0 out err --syntax Pascal ${WORK}/directive.qvs)
expect_contains("${out}" "<assignstmt pos=\"2:1\">")

# Every ampersand of a literal is encoded: entity-like text stays literal.
file(WRITE ${WORK}/amp.qvs "x = \"a&#65;b &quot; &amp; &\";\n")
run_il(0 out err --syntax js ${WORK}/amp.qvs)
expect_contains("${out}" "text=\"'a&#38;#65;b &#38;quot; &#38;amp; &#38;'\"")

# Compile errors, in the script and in a unit found in the script's folder.
file(WRITE ${WORK}/bad.qvs "x = 1;\ny = ;\n")
run_il(1 out err --syntax js ${WORK}/bad.qvs)
expect_contains("${err}" "MainProc:Expression expected, 在第 2 行,第 5 个字符")
file(WRITE ${WORK}/lib/unit.js "z = ;\n")
file(WRITE ${WORK}/uses.qvs "import \"lib/unit.js\";\n")
run_il(1 out err --syntax js ${WORK}/uses.qvs)
expect_contains("${err}" "lib/unit.js:Expression expected, 在第 1 行,第 5 个字符")
file(WRITE ${WORK}/missing.qvs "import \"nowhere.js\";\n")
run_il(1 out err --syntax js ${WORK}/missing.qvs)
expect_contains("${err}" "Cannot open file")
run_il(1 out err --syntax Nonesuch ${WORK}/plain.qvs)
expect_contains("${err}" "Language 'Nonesuch' not found")

# The bundled example translates.
run_il(0 out err ${SRC}/examples/qv.qvs)
expect_contains("${out}" "<node text=\"httpget\"")
file(REMOVE_RECURSE ${WORK})
