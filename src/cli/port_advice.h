#pragma once
// Why a serial port could not be opened, in plain words, with the way out.

#include <optional>
#include <string>

#include "serial/port_diagnosis.h"

namespace torv::cli {

// torvctl's words for a diagnosis; openError (the port's own text) where nothing more
// was found.
std::string PortAdvice(const PortDiagnosis& diagnosis, const std::string& openError);

// Why this process can open no file at all (its file descriptor limit, or the system's,
// reached), with the way out; nothing when it can.
std::optional<std::string> FileLimitReached();

}  // namespace torv::cli
