# The user manual: docs/manual.md rendered to <build>/share/doc/stayline/Stayline.html, the place
# the help menu looks for it beside <build>/bin (and <prefix>/bin once installed). cmark-gfm
# renders it with tables; without it the build still gives a page (the text as it is, escaped,
# inside <pre>) so that the help menu's item works.
#
# Included from CMakeLists.txt it declares the rule; run with `cmake -P` it renders one page:
#   cmake -DSOURCE=manual.md -DOUTPUT=Stayline.html [-DCMARK_GFM=/usr/bin/cmark-gfm] -P Manual.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  # Every text here is expanded in quotes only: the page holds semicolons (CSS, entities) that an
  # unquoted expansion would take for list separators.
  function(escape_html var)
    string(REPLACE "&" "&amp;" text "${${var}}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    set(${var} "${text}" PARENT_SCOPE)
  endfunction()

  file(READ "${SOURCE}" markdown)
  string(REGEX MATCH "^# ([^\n]*)" heading "${markdown}")
  set(title "${CMAKE_MATCH_1}")
  if(title STREQUAL "")
    set(title "Stayline")
  endif()
  escape_html(title)
  set(body "")
  if(CMARK_GFM)
    # Raw HTML in the text is left out (cmark-gfm's default): the page is only what the text says.
    execute_process(COMMAND "${CMARK_GFM}" -e table -e autolink --to html "${SOURCE}"
                    OUTPUT_VARIABLE body RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(WARNING "cmark-gfm failed (${rc}: ${err}); the manual is shown as plain text")
      set(body "")
    endif()
  endif()
  if(body STREQUAL "")
    set(body "${markdown}")
    escape_html(body)
    set(body "<pre>${body}</pre>\n")
  endif()
  set(style "body{max-width:46em;margin:2em auto;padding:0 1em;font-family:sans-serif;\
line-height:1.5;color:#222;background:#fff}
h1,h2{border-bottom:1px solid #ddd;padding-bottom:.2em}
code,pre{font-family:monospace;background:#f4f4f4}
pre{padding:.6em;white-space:pre-wrap}
table{border-collapse:collapse;margin:1em 0}
th,td{border:1px solid #bbb;padding:.3em .6em;text-align:left;vertical-align:top}
th{background:#f0f0f0}")
  string(CONCAT page "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>${title}</title>\n<style>\n${style}\n</style>\n</head>\n<body>\n"
         "${body}</body>\n</html>\n")
  # A half-written page must never stand in for the manual: written beside it, then renamed.
  file(WRITE "${OUTPUT}.tmp" "${page}")
  file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
  return()
endif()

set(STAYLINE_MANUAL_SOURCE ${CMAKE_SOURCE_DIR}/docs/manual.md)
set(STAYLINE_MANUAL ${CMAKE_BINARY_DIR}/share/doc/stayline/Stayline.html)
find_program(CMARK_GFM cmark-gfm)
if(NOT CMARK_GFM)
  message(STATUS "cmark-gfm not found: the manual becomes a plain-text page "
                 "(scripts/install-deps.sh installs cmark-gfm)")
endif()
add_custom_command(
  OUTPUT ${STAYLINE_MANUAL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/doc/stayline
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${STAYLINE_MANUAL_SOURCE} -DOUTPUT=${STAYLINE_MANUAL}
          -DCMARK_GFM=${CMARK_GFM} -P ${CMAKE_CURRENT_LIST_FILE}
  DEPENDS ${STAYLINE_MANUAL_SOURCE} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Rendering the user manual"
  VERBATIM)
add_custom_target(stayline_manual ALL DEPENDS ${STAYLINE_MANUAL})

# The same layout installed: the program finds the manual at ../share/doc/stayline from its bin
# folder, so both paths stay fixed.
install(FILES ${STAYLINE_MANUAL} DESTINATION share/doc/stayline)
