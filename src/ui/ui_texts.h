#pragma once
// The window's own texts (UTF-8), exactly as the operator sees them.

#include "torv_version.h"

namespace torv::ui_texts {

inline constexpr const char* kApplicationTitle = "Программатор устройств";
inline constexpr const char* kWindowCaption = "Программатор частоты передатчиков ТОРВ " TORV_VERSION;
inline constexpr const char* kNoPorts = "В системе нет свободных портов.\r\n   Приложение будет закрыто.   ";

inline constexpr const char* kInfoGroup = " Информация ";
inline constexpr const char* kDateLabel = "Дата выпуска:";
inline constexpr const char* kSerialLabel = "Серийный  №:";
inline constexpr const char* kVersionLabel = "Версия ТОРВ:";
inline constexpr const char* kDateEmpty = "00.00.0000";
inline constexpr const char* kSerialEmpty = "00000000";
inline constexpr const char* kVersionEmpty = "0.00";

inline constexpr const char* kParamGroup = " Рабочие частоты, МГц. ";
inline constexpr const char* kFirstLabel = "Первая частота:";
inline constexpr const char* kSecondCheck = "Разрешить вторую частоту";
inline constexpr const char* kSecondLabel = "Вторая частота:";

inline constexpr const char* kPortLabel = "COM-порт:";
inline constexpr const char* kRead = "Считать";
inline constexpr const char* kWrite = "Записать";
inline constexpr const char* kClose = "Выход";

inline constexpr const char* kGridStepGroup = "Шаг сетки частот:";
inline constexpr const char* kGridStep125 = "12,5 КГц";
inline constexpr const char* kGridStep25 = "25 КГц";

inline constexpr const char* kMinimizeHint = " Свернуть программу в панель задач";
inline constexpr const char* kCloseHint = " Выход из программы";

// Names that screen readers say for controls whose label is beside them; never drawn.
inline constexpr const char* kFirstFieldName = "Первая частота, МГц";
inline constexpr const char* kSecondFieldName = "Вторая частота, МГц";
inline constexpr const char* kPortListName = "COM-порт";
inline constexpr const char* kStatusBarName = "Строка состояния";

}  // namespace torv::ui_texts
