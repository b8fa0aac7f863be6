#include "ui/sis_report.h"

#include <utility>

namespace vantel {

CSisReport::CSisReport(MachineContext* context, std::string title)
    : context_(context), title_(std::move(title)) {}

CSisReport::~CSisReport() = default;

}  // namespace vantel
