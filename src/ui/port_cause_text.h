#pragma once
// The window's line under "port busy" that says, in Russian, what was really found.

#include <string>

#include "serial/port_diagnosis.h"

namespace torv {

// "" when nothing was found that explains the failure.
std::string PortCauseText(const PortDiagnosis& diagnosis);

}  // namespace torv
