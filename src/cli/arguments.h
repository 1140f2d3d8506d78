#pragma once
// Command-line parsing for torvctl: a command word, then options and positional values,
// read by Qt's QCommandLineParser.

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal_time.h"

namespace torv {
enum class MHzText;  // production/plan_file.h
}

namespace torv::cli {

// Exit codes of torvctl. Left unscoped on purpose: they are the process's int exit status.
enum ExitCode : int {
    kExitOk = 0,               // done and verified
    kExitRefused = 1,          // refused before anything was sent
    kExitUsage = 2,            // bad command line or bad input value
    kExitExchangeFailed = 3,   // the exchange failed before any block was sent
    kExitPortUnavailable = 4,  // the serial port could not be opened
    kExitNotVerified = 5,      // a block was sent but not verified: the unit's state is unknown
    kExitJournalUnusable = 6,  // the journal cannot be used (journal, restore)
    kExitServer = 7,           // the workshop's server cannot be reached or refused rows (journal --sync, --server)
};

// Bad command line or input value; the message is shown as one line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct KnownOption {
    std::string name;  // "--type"
    bool takesValue = false;
    bool repeatable = false;
};

class Arguments {
public:
    // Parses args (without the program and command words): "--name value", "--name=value",
    // flags, and positional words ("--" ends the options). Values come back byte for byte
    // as given, in whatever encoding. Throws UsageError.
    Arguments(const std::vector<std::string>& args, const std::vector<KnownOption>& known);

    bool Has(std::string_view option) const;
    std::optional<std::string> Value(std::string_view option) const;
    std::vector<std::string> Values(std::string_view option) const;
    const std::vector<std::string>& Positional() const { return positional_; }

private:
    std::map<std::string, std::vector<std::string>, std::less<>> values_;
    std::set<std::string, std::less<>> flags_;
    std::vector<std::string> positional_;
};

// The whole number of 1 or more that option is given, written in digits only; none when
// the option is not given. Throws UsageError(error) for any other value.
std::optional<int> PositiveWholeNumber(const Arguments& arguments, std::string_view option, const std::string& error);

// Frequency in MHz: a plain decimal number with "." as separator, above 0 and at most
// 99999999 (the most a frequency field holds). Throws UsageError.
double ParseMHz(std::string_view text);
// Why text is not such a frequency, as ParseMHz says it.
std::string MHzTextProblem(MHzText check, std::string_view text);

// The date or time given to option: what it covers. Throws UsageError naming the forms.
TimeSpan ParseTimeOption(std::string_view option, std::string_view text);

// Device type 13, 14 or 15. Throws UsageError.
int ParseTransmitterType(std::string_view text);

// Grid step "12.5" or "25"; true for 25 kHz. Throws UsageError.
bool ParseGridStep(std::string_view text);
// Why text is no grid step, as ParseGridStep says it.
std::string GridStepProblem(std::string_view text);

// Exactly `size` bytes as hex digits; blanks between them are allowed. Throws UsageError.
std::vector<unsigned char> ParseHexBytes(std::string_view text, std::size_t size);

}  // namespace torv::cli
