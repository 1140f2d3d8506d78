#pragma once
// Text forms of the info block, as shown in the window's read-out panels.

#include <string>

#include "device/blocks.h"

namespace torv {

// Year rule: a year byte whose high nibble is above 3 keeps only its low nibble.
// DateText and SerialText apply it to the stored block before reading byte 0.
void ApplyYearRule(InfoBlock& info);

// "dd.mm.20yy", e.g. 12.03.2007.
std::string DateText(InfoBlock& info);

// Type (bits 0-5 of byte 3, two digits) followed by the nibbles of bytes 0, 1, 2.
std::string SerialText(InfoBlock& info);

// Major part (high digit only when not 0), ".", minor part, e.g. 1.23.
std::string VersionText(const InfoBlock& info);

}  // namespace torv
