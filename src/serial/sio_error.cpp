#include "serial/sio_error.h"

#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

namespace torv {

std::string ErrorText(int code)
{
    std::string text = std::strerror(code);
    while (!text.empty() && std::strchr(" \t\r\n.", text.back()) != nullptr) {
        text.pop_back();
    }
    return text;
}

ESioCommError SystemError(const char* what, int code)
{
    return ESioCommError(std::string(what) + " (" + std::to_string(code) + "), " + ErrorText(code),
                         {PortOpenStep::kNone, code});
}

ESioCommError DeviceNotFoundError(const std::string& path)
{
    return ESioCommError("Specified device not found (" + path + ").", {PortOpenStep::kDevice, ENOENT});
}

ESioCommError DeviceOpenError(const std::string& path, int code)
{
    return ESioCommError(
        "Can't open specified device " + path + " (Error " + std::to_string(code) + ", " + ErrorText(code) + ")",
        {PortOpenStep::kDevice, code});
}

namespace {

std::mutex handlerMutex;

ApplicationExceptionHandler& InstalledHandler()
{
    static ApplicationExceptionHandler handler;
    return handler;
}

}  // namespace

void SetApplicationExceptionHandler(ApplicationExceptionHandler handler)
{
    std::lock_guard lock(handlerMutex);
    InstalledHandler() = std::move(handler);
}

void HandleApplicationException(const std::exception& error)
{
    ApplicationExceptionHandler handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = InstalledHandler();
    }
    if (handler) {
        handler(error);
    } else {
        qWarning("%s", error.what());
    }
}

}  // namespace torv
