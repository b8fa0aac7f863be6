# Writes the manual page of vantel-host from the host's own help, so that the two never
# disagree: the usage lines as the synopsis, the help as the description, both as printed.
#   cmake -DHOST=vantel-host -DVERSION=1.0.0 -DOUTPUT=vantel-host.1 -P manpage.cmake
execute_process(COMMAND ${HOST} help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${HOST} help exited ${status}")
endif()

# The help is laid out for a terminal: kept line for line, only what roff would read as its
# own escaped (backslashes, hyphens, a line opening with a dot or an apostrophe).
function(roff_lines text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The usage lines end at the first empty line; the help goes on after it.
string(FIND "${help}" "\n\n" split)
string(SUBSTRING "${help}" 0 ${split} usage)
math(EXPR body_start "${split} + 2")
string(SUBSTRING "${help}" ${body_start} -1 body)
string(REGEX REPLACE "^usage: " "" usage "${usage}")
string(REGEX REPLACE "\n       " "\n" usage "${usage}")
string(STRIP "${body}" body)
roff_lines("${usage}" usage)
roff_lines("${body}" body)

file(WRITE ${OUTPUT} ".TH VANTEL\\-HOST 1 \"\" \"vantel\\-host ${VERSION}\" \"User Commands\"
.SH NAME
vantel\\-host \\- check, edit and review the engine configuration of Kalbrix files with the
Vantel plug\\-in
.SH SYNOPSIS
.nf
${usage}
.fi
.SH DESCRIPTION
.nf
${body}
.fi
.SH SEE ALSO
The reference host's guide, /usr/share/doc/vantel/reference\\-host.md, and the browser
page's, /usr/share/doc/vantel/serve.md.
")
