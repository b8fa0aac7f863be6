# Makes the page one document: the style and the script of index.html inline, the script
# after the data it reads (page_data.js, made from the host's words), the whole written as
# the bytes of a C++ array (no literal can be cut short by what the page holds).
# The scripts go in the order given, each after those it reads, app.js (which ties them
# together) last.
# cmake -DPAGE_DIR=serve_page -DDATA=page_data.js -DSCRIPTS=a.js:b.js:app.js
#   -DOUTPUT=serve_page.cpp -P inline_page.cmake
file(READ ${PAGE_DIR}/index.html page)
file(READ ${PAGE_DIR}/style.css style)
file(READ ${DATA} data)

# Inline, "</" would end the element early.
if(style MATCHES "</" OR data MATCHES "</")
  message(FATAL_ERROR "style.css and the page's data may not hold \"</\": it ends the inline element")
endif()
# Each its own element: each one's "use strict" stays the first statement of its script.
string(REPLACE ":" ";" SCRIPTS "${SCRIPTS}")
set(scripts "<script>\n${data}</script>")
foreach(name IN LISTS SCRIPTS)
  file(READ ${PAGE_DIR}/${name} script)
  if(script MATCHES "</")
    message(FATAL_ERROR "${name} may not hold \"</\": it ends the inline element")
  endif()
  if(NOT script MATCHES "^'use strict';")
    message(FATAL_ERROR "${name} does not start with 'use strict';")
  endif()
  string(APPEND scripts "\n<script>\n${script}</script>")
endforeach()
foreach(tag IN ITEMS "<link rel=\"stylesheet\" href=\"style.css\">" "<script src=\"app.js\"></script>")
  string(FIND "${page}" "${tag}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "index.html has no ${tag}")
  endif()
endforeach()
string(REPLACE "<link rel=\"stylesheet\" href=\"style.css\">" "<style>\n${style}</style>" page "${page}")
string(REPLACE "<script src=\"app.js\"></script>" "${scripts}" page "${page}")

get_filename_component(folder ${OUTPUT} DIRECTORY)
file(WRITE ${folder}/serve_page.html "${page}")
file(READ ${folder}/serve_page.html bytes HEX)
string(LENGTH "${bytes}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")

file(WRITE ${OUTPUT}.new "// Made by inline_page.cmake from tools/vantel-host/serve_page/ and words.cpp: edit those files.
#include \"serve_page.h\"

namespace vantel::host {
namespace {
constexpr unsigned char kPage[${size}] = {
${bytes}};
}  // namespace

std::string_view ServePageHtml() {
  return {reinterpret_cast<const char*>(kPage), sizeof kPage};
}

}  // namespace vantel::host
")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
