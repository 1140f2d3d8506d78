#pragma once
// The exchange's messages, prompts and status texts as torvctl prints them: in English,
// or, where Russian is spoken, in the window's own words, one line of the window's box
// a line, without the blanks that centre them.

#include <string>

#include "exchange/exchange_host.h"
#include "exchange/write_preparation.h"

namespace torv::cli {

// The lines of a message's text as they stand, without the blanks around each.
std::string TerminalText(const std::string& text);

// "Caption: text" of an exchange message. A message this program does not know is
// printed as it came.
std::string MessageLines(const Message& message);

// "Caption: text" of the write checks' refusal (W1 to W4) with what can be written
// instead, as the window shows it for this request.
std::string RefusalLines(const WritePlan& plan, const WriteRequest& request);

// A dated status text ("  dd/mm/yy hh:mm:ss  -  text") without its leading blanks,
// its text in the language spoken.
std::string StatusLine(const std::string& statusText);

}  // namespace torv::cli
