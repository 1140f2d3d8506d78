#pragma once
// A unit's image: what torvctl save writes and torvctl load reads back. A small JSON
// file that a person can read and a script can check:
//
//   {
//     "format": 1,                       // this layout; a newer one is refused
//     "program": "torvctl 1.4.6",        // the version that saved it
//     "saved": "2026-12-09T14:40:00Z",   // when, in UTC
//     "info": {"hex": "...", "date": "...", "serial": "...", "version": "...", "deviceType": 13},
//     "parameters": {"hex": "<64 hex digits>", "mode": "legacy"|"grid", "gridStepKHz": 25|12.5|null,
//                    "first": "150.0000", "second": "160.0000", "secondEnabled": true},
//     "sha256": "<SHA-256 of the text of parameters.hex, lower-case hex>"
//   }
//
// Only "format", "info.hex", "parameters.hex" and "sha256" are read back; the rest is
// for people, and written again from the blocks on every save.

#include <string>
#include <variant>

#include "device/blocks.h"

namespace torv::cli {

inline constexpr int kUnitImageFormat = 1;

struct UnitImage {
    InfoBlock info{};
    ParameterBlock block{};
    std::string saved;  // as the file gives it
};

// The file's text for the image: its blocks, and when it was saved (ISO 8601, UTC).
std::string UnitImageText(const UnitImage& image);

// The image in text, or why it cannot be used: not an image, damaged (the checksum, a
// block's size), or of a newer format.
std::variant<UnitImage, std::string> ParseUnitImage(const std::string& text);

}  // namespace torv::cli
