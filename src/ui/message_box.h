#pragma once
// The window's modal messages. Everything the window says goes through one function
// that tests replace to answer by script.

#include <functional>

#include "exchange/exchange_host.h"

class QWidget;

namespace torv {

using MessageBoxFunction = std::function<Answer(QWidget* parent, const Message& message)>;

// A modal QMessageBox with the message's caption, icon and buttons; closing it is Cancel.
Answer ShowMessageBox(QWidget* parent, const Message& message);

}  // namespace torv
