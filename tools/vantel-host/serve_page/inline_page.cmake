# Makes the page one document: the style and the script of index.html inline, the whole
# written as the bytes of a C++ array (no literal can be cut short by what the page holds).
# cmake -DPAGE_DIR=serve_page -DOUTPUT=serve_page.cpp [-DPAGE_SCRIPTS=made.js] -P inline_page.cmake
file(READ ${PAGE_DIR}/index.html page)
file(READ ${PAGE_DIR}/style.css style)
file(READ ${PAGE_DIR}/app.js script)
# Scripts made at build time that app.js reads (-DPAGE_SCRIPTS=a.js;b.js), each inlined as a
# script of its own before it, so that app.js stays a strict script of its own.
set(made "")
foreach(file IN LISTS PAGE_SCRIPTS)
  file(READ ${file} part)
  if(part MATCHES "</")
    message(FATAL_ERROR "${file} may not hold \"</\": it ends the inline element")
  endif()
  string(APPEND made "<script>\n${part}</script>\n")
endforeach()

# Inline, "</" would end the element early.
if(script MATCHES "</" OR style MATCHES "</")
  message(FATAL_ERROR "app.js and style.css may not hold \"</\": it ends the inline element")
endif()
foreach(tag IN ITEMS "<link rel=\"stylesheet\" href=\"style.css\">" "<script src=\"app.js\"></script>")
  string(FIND "${page}" "${tag}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "index.html has no ${tag}")
  endif()
endforeach()
string(REPLACE "<link rel=\"stylesheet\" href=\"style.css\">" "<style>\n${style}</style>" page "${page}")
string(REPLACE "<script src=\"app.js\"></script>" "${made}<script>\n${script}</script>" page "${page}")

get_filename_component(folder ${OUTPUT} DIRECTORY)
file(WRITE ${folder}/serve_page.html "${page}")
file(READ ${folder}/serve_page.html bytes HEX)
string(LENGTH "${bytes}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")

file(WRITE ${OUTPUT}.new "// Made by inline_page.cmake from tools/vantel-host/serve_page/: edit those files.
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
