#pragma once
// The exchange's operator texts (UTF-8), exactly as the operator sees them.

#include <string>
#include <vector>

#include "exchange/exchange_host.h"

namespace torv::texts {

inline const Message kAdapterNotFoundAfterRetries{
    " Адаптер не обнаружен. Убедитесь, что адаптер \r\nподключен и на него подано напряжение питания.\r\n             Повторить операцию?              ",
    "Ошибка", MessageFlags::kRetryCancelError};

inline const Message kAdapterNotFoundTimeout{
    " Адаптер не обнаружен. Убедитесь, что адаптер \r\nподключен и на него подано напряжение питания.\r\n              Повторить операцию?             ",
    "Ошибка", MessageFlags::kRetryCancelError};

inline const Message kAdapterNotResponding{
    "  Адаптер не отвечает. Убедитесь, что адаптер  \r\nподключен и на него  подано напряжение питания.\r\n              Повторить операцию?              ",
    "Ошибка", MessageFlags::kRetryCancelError};

inline const Message kDeviceTypeRefused{
    " Не удалось установить тип устройства. Выполните \r\nсброс устройства по питанию и повторите операцию.\r\n               Повторить операцию?               ",
    "Ошибка", MessageFlags::kRetryCancelError};

inline const Message kNoTransmitter{
    "    Передатчик не подключен к адаптеру.    \r\nПодключите передатчик и повторите операцию.\r\n            Повторить операцию?            ",
    "Ошибка", MessageFlags::kRetryCancelError};

inline const Message kNotATransmitter{
    " Программируемое устройство не является передатчиком. \r\nПодключите передатчик к адаптеру и повторите операцию.\r\n                 Повторить операцию?                  ",
    "Ошибка", MessageFlags::kRetryCancelError};

inline const Message kChecksumError{
    "Ошибка контрольной суммы. Считанные данные\r\n могут  не соответсвовать действительности.\r\n            Повторить операцию?            ",
    "Внимание", MessageFlags::kRetryCancelWarning};

inline const Message kWriteVerifyError{
    "   Ошибка записи в передатчик. Записанные \r\nданные не соответсвовуют действительности.\r\n            Повторить операцию?           ",
    "Ошибка", MessageFlags::kRetryCancelError};

inline const Message kTransmitterNotResponding{
    "Передатчик не отвечает. Убедитесь, что передатчик\r\nподключен к адаптеру и подано напряжение питания.\r\n              Повторить операцию?                ",
    "Ошибка", MessageFlags::kRetryCancelError};
// The port could not be opened, or the identification could not be written. causeLine,
// when given, follows on a line of its own.
inline Message PortBusy(const std::string& portDevicePath, const std::string& causeLine = {})
{
    return {"Порт " + portDevicePath + " занят системой." + "\r\n" + "  Выберите другой порт.  " +
                (causeLine.empty() ? "" : "\r\n" + causeLine),
            "Ошибка", MessageFlags::kOkError};
}

// Write checks: a frequency without legacy divisors (channel 1 or 2), or outside the
// device's band. Channel 1's range text spells "диапозон", channel 2's "диапазон".
// lastLine, when given, follows on a line of its own (the nearest frequencies, the band).
inline Message NeedsTuning(int channel, const std::string& fieldText, const std::string& lastLine = {})
{
    return {"Частота №" + std::to_string(channel) + " " + fieldText + " МГц не может быть запрограммирована," + "\r\n" +
                "    так как для неё требуется  подстройка передатчика.  " + "\r\n" +
                "            Обратитесь на фирму производителя.          " +
                (lastLine.empty() ? "" : "\r\n" + lastLine),
            "Ошибка", MessageFlags::kOkError};
}

inline Message OutOfRange(int channel, const std::string& fieldText, const std::string& lastLine = {})
{
    const std::string range = channel == 1 ? "    так как превышен диапозон частот для передатчика.   "
                                           : "    так как превышен диапазон частот для передатчика.   ";
    return {"Частота №" + std::to_string(channel) + " " + fieldText + " МГц не может быть запрограммирована," + "\r\n" +
                range + "\r\n" + "            Обратитесь на фирму производителя.          " +
                (lastLine.empty() ? "" : "\r\n" + lastLine),
            "Ошибка", MessageFlags::kOkError};
}

// The last line of W1 and W2: the frequencies nearest below and above that can be
// programmed, as the fields show them ("Ближайшие: 146,0000 и 146,0250 МГц"), or the one
// there is; empty for none.
std::string NearestLine(const std::vector<std::string>& frequencies);

// The last line of W3 and W4: the connected transmitter's band, as the fields show it.
inline std::string BandLine(const std::string& minText, const std::string& maxText)
{
    return "Диапазон передатчика: " + minText + " – " + maxText + " МГц";
}

inline const Message kGrid25kHzNotice{"Будет выставлена сетка 25 кГц!", "Внимание!", MessageFlags::kOkPlain};

// Retry after a failed verification found another unit connected: nothing was written.
inline const std::string kOtherUnitHead = "Подключен другой передатчик (серийный № ";
inline const std::string kOtherUnitTail = "). Запись не выполнена.";
inline Message OtherUnitConnected(const std::string& serialText)
{
    return {kOtherUnitHead + serialText + kOtherUnitTail, "Внимание!", MessageFlags::kOkPlain};
}

// The name a message goes by in the journal and in reports: the prompt's letter ("A" to
// "I"), "W1" to "W4" for the write checks, "port busy", "other unit connected"; empty
// for any other message.
std::string MessageName(const Message& message);

inline const std::string kReadSucceeded = "Данные успешно считаны.";
inline const std::string kWriteSucceeded = "Данные успешно обновлены.";
// A write ended after its block went out and before a read-back matched it.
inline const std::string kWriteUnverified = "Запись не подтверждена: состояние передатчика неизвестно.";

}  // namespace torv::texts
