#pragma once
// `check --format sarif`: the results as a SARIF 2.1.0 log, which code-review systems read to
// put each report row on the line of the Kalbrix item it is about.
#include <cstdio>
#include <memory>

#include "check_many.h"

namespace vantel::host {

/// One log with one run, written to `out` at the end: a result per report row (an error, or a
/// note when the file is coherent all the same), placed on the entry of the first item its
/// finding names; a file that could not be read as a notification of the run.
std::unique_ptr<ResultSink> SarifLog(FILE* out);

}  // namespace vantel::host
