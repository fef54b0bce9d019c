# Turns a program's --help into its manual page, so that the two cannot
# drift: run as cmake -DPROGRAM=<binary> -DNAME=<name> -DSUMMARY=<one line>
# -DVERSION=<version> -DOUT=<page> -P HelpToMan.cmake.
#
# The help's first line is the synopsis, its first paragraph the
# description; every further paragraph becomes a section named by its
# first words, its text kept as it is laid out.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                        ${PROGRAM} --help
                OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()

# roff: a backslash is \e, a minus sign \-, and a line may not start with a
# control character.
function(roff_escape text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(REGEX REPLACE "\n+$" "" help "${help}")
string(APPEND help "\n\n")
# The first paragraph, then the rest one paragraph at a time.
string(FIND "${help}" "\n\n" end)
string(SUBSTRING "${help}" 0 ${end} first)
math(EXPR end "${end} + 2")
string(SUBSTRING "${help}" ${end} -1 rest)

# The first paragraph: "Usage: <program> ARGS", then the description.
string(REGEX MATCH "^Usage: [^ \n]+ ?([^\n]*)\n?(.*)$" _ "${first}")
set(arguments "${CMAKE_MATCH_1}")
set(description "${CMAKE_MATCH_2}")
roff_escape("${arguments}" arguments)
roff_escape("${description}" description)
string(TOUPPER "${NAME}" title)

set(page ".TH ${title} 1 \"\" \"${NAME} ${VERSION}\" \"User Commands\"\n")
roff_escape("${NAME}" name)
roff_escape("${SUMMARY}" summary)
string(APPEND page ".SH NAME\n${name} \\- ${summary}\n")
string(APPEND page ".SH SYNOPSIS\n.B ${name}\n${arguments}\n")
string(APPEND page ".SH DESCRIPTION\n${description}\n")
while(NOT rest STREQUAL "")
  string(FIND "${rest}" "\n\n" end)
  string(SUBSTRING "${rest}" 0 ${end} paragraph)
  math(EXPR end "${end} + 2")
  string(SUBSTRING "${rest}" ${end} -1 rest)
  # The section's name: the paragraph's words before "(", ":" or ";".
  string(REGEX MATCH "^[^(:;\n]*" heading "${paragraph}")
  if(paragraph MATCHES "^ ")
    set(heading "OPTIONS")  # a list of options with no heading of its own
  endif()
  string(STRIP "${heading}" heading)
  string(TOUPPER "${heading}" heading)
  roff_escape("${heading}" heading)
  roff_escape("${paragraph}" paragraph)
  string(APPEND page ".SH ${heading}\n.nf\n${paragraph}\n.fi\n")
endwhile()
file(WRITE ${OUT} "${page}")
