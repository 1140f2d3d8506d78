// A unit's image (torvctl load) over arbitrary file text. A refusal, given as its reason,
// is an expected outcome; an exception, a crash or a broken invariant is a finding:
// - a refusal gives a reason;
// - an image read is written again and read back with the same blocks.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>

#include "cli/unit_image.h"
#include "fuzz_check.h"

namespace torv::cli {
namespace {

void FuzzImage(const std::string& text)
{
    const std::variant<UnitImage, std::string> parsed = ParseUnitImage(text);
    if (const std::string* why = std::get_if<std::string>(&parsed)) {
        Check(!why->empty(), "a refusal gives its reason");
        return;
    }
    const UnitImage& image = std::get<UnitImage>(parsed);
    const std::variant<UnitImage, std::string> again = ParseUnitImage(UnitImageText(image));
    const UnitImage* copy = std::get_if<UnitImage>(&again);
    Check(copy != nullptr, "an image written again is read back");
    Check(copy->info == image.info && copy->block == image.block, "an image written again keeps its blocks");
}

}  // namespace
}  // namespace torv::cli

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    torv::cli::FuzzImage(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
