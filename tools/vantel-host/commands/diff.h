#pragma once
// `vantel-host diff OLD NEW`: a review of a change to a Kalbrix file, as text, JSON for tools
// or Markdown for a review comment.
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli_options.h"
#include "result.h"

namespace vantel::host {

struct DiffOptions {
  std::string oldFile;
  std::string newFile;
  OutputFormat format = OutputFormat::kText;
  std::string svg;  // the wheel of NEW with what changed marked; "" for none
  int32_t language = 1033;
};

/// Prints the review to `out`; the status is NEW's verdict's (0 coherent, 1 not). Failure for
/// bad input and for two files of different ECUs, before anything is written.
Result<int> Diff(const DiffOptions& options, FILE* out);

}  // namespace vantel::host
