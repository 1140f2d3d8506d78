// torvctl's command line: the argument parser, the value parsers and the calc and
// decode commands over arbitrary words. A UsageError is an expected outcome; any other
// exception, a crash or a broken invariant is a finding:
// - a parsed frequency is finite, above 0 and at most 99999999;
// - parsed hex bytes are exactly as many as asked for;
// - calc and decode answer with exit code 0 or 1 and print something, a usage error
//   with exit code 2 and a message; with --json, standard output is one JSON object
//   carrying the exit code.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "cli/arguments.h"
#include "cli/dispatch.h"
#include "fuzz_check.h"

namespace torv::cli {
namespace {

// Command-line words: some of the tool's own options, some arbitrary text.
std::vector<std::string> Words(FuzzedDataProvider& input)
{
    static const char* const kKnown[] = {"--legacy", "--grid", "--type", "--step", "--second", "13",        "14",
                                         "15",       "25",     "12.5",   "--",     "-",        "--type=14", "--json"};
    std::vector<std::string> words;
    for (int n = input.ConsumeIntegralInRange(0, 8); n > 0; --n) {
        if (input.ConsumeBool())
            words.push_back(kKnown[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kKnown) - 1)]);
        else
            words.push_back(input.ConsumeRandomLengthString(40));
    }
    return words;
}

template <typename Parse>
void ExpectValueOrUsageError(Parse parse)
{
    try {
        parse();
    } catch (const UsageError& error) {
        Check(error.what()[0] != '\0', "usage error without a message");
    }
}

void FuzzParsers(FuzzedDataProvider& input)
{
    const std::string text = input.ConsumeRandomLengthString(40);
    ExpectValueOrUsageError([&] {
        const double mhz = ParseMHz(text);
        Check(std::isfinite(mhz) && mhz > 0 && mhz <= 99999999, "frequency accepted out of range");
    });
    ExpectValueOrUsageError([&] {
        const int type = ParseTransmitterType(text);
        Check(type >= 13 && type <= 15, "device type accepted out of 13..15");
    });
    ExpectValueOrUsageError([&] { ParseGridStep(text); });
    const std::size_t size = input.ConsumeIntegralInRange<std::size_t>(0, 40);
    ExpectValueOrUsageError([&] { Check(ParseHexBytes(text, size).size() == size, "wrong number of hex bytes"); });
    ExpectValueOrUsageError([&] {
        const Arguments arguments(Words(input), {{"--type", true}, {"--many", true, true}, {"--flag"}});
        Check(arguments.Values("--type").size() <= 1, "a single option given twice");
        if (arguments.Value("--type"))
            Check(arguments.Has("--type"), "option value without the option");
    });
}

void FuzzCommand(FuzzedDataProvider& input, bool calc)
{
    std::vector<std::string> words = Words(input);
    words.insert(words.begin(), calc ? "calc" : "decode");
    std::ostringstream out, err;
    const int code = RunTorvctl(words, Console{out, err, nullptr});
    Check(code == kExitOk || code == kExitRefused || code == kExitUsage, "command ended with an unexpected exit code");
    Check(code != kExitUsage || !err.str().empty(), "usage error without a message");
    Check(code == kExitUsage || !out.str().empty(), "command printed nothing");
    if (std::find(words.begin(), words.end(), "--json") != words.end()) {
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(out.str()));
        Check(document.isObject() && document.object().value("exitCode").toInt(-1) == code,
              "--json printed no JSON object with the exit code");
    }
}

}  // namespace
}  // namespace torv::cli

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0: torv::cli::FuzzParsers(input); break;
    case 1: torv::cli::FuzzCommand(input, true); break;
    default: torv::cli::FuzzCommand(input, false); break;
    }
    return 0;
}
