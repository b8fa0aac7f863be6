// Writes the data the page of `vantel-host serve` reads before app.js: the page's words from
// the host's catalogue and the vocabulary of windows, so that the page and the host cannot
// drift apart.
// make_page_data page_data.js
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "vocabulary.h"
#include "words.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_page_data OUTPUT.js\n");
    return 2;
  }
  const nlohmann::ordered_json data = {{"words", vantel::host::PageWordsJson()},
                                       {"vocabulary", vantel::host::VocabularyJson()}};
  std::ofstream out(argv[1], std::ios::binary);
  // UTF-8 as the catalogue holds it: the page is served as UTF-8.
  out << "'use strict';\n// Made by make_page_data from tools/vantel-host/words/: edit its "
         "words.cpp and vocabulary.cpp.\n"
      << "const PAGE_DATA = " << data.dump(1, ' ', false) << ";\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_page_data: cannot write %s\n", argv[1]);
    return 2;
  }
  return 0;
}
