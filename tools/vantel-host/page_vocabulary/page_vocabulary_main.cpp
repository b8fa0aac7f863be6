// Writes the host's vocabulary as the script the page of `vantel-host serve` reads before
// its own: the page then names control kinds, acts and scroll requests as the host does.
// vantel-page-vocabulary OUTPUT.js
#include <cstdio>
#include <fstream>

#include "vocabulary.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: vantel-page-vocabulary OUTPUT.js\n", stderr);
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << "// Made at build time from tools/vantel-host/vocabulary.cpp: edit that file.\n"
      << "const PAGE_VOCABULARY = " << vantel::host::VocabularyJson().dump() << ";\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "vantel-page-vocabulary: cannot write %s\n", argv[1]);
    return 2;
  }
  return 0;
}
