# Writes a manual page from a program's --help text, so that the manual and --help never say
# different things. Run as: cmake -DPROGRAM=exe -DNAME=brelvo -DSUMMARY=... -DVERSION=...
#   -DOUTPUT=brelvo.1 -P HelpToMan.cmake
execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()
string(TOUPPER "${NAME}" title)
# roff reads a backslash as an escape, and a line starting with a dot or a quote as a request.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REPLACE "-" "\\-" summary "${SUMMARY}")
file(WRITE "${OUTPUT}.tmp"
  ".TH ${title} 1 \"\" \"Brelvo ${VERSION}\" \"User Commands\"\n"
  ".SH NAME\n${NAME} \\- ${summary}\n"
  ".SH DESCRIPTION\n.nf\n${help}.fi\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
