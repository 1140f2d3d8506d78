#include "ui/port_cause_text.h"

namespace torv {
namespace {

std::string HoldersText(const PortDiagnosis& diagnosis)
{
    if (diagnosis.holders.empty())
        return "Порт открыт другой программой.";
    std::string names;
    for (const PortHolder& holder : diagnosis.holders)
        names += (names.empty() ? "" : ", ") + holder.program + " (PID " + std::to_string(holder.pid) + ")";
    return (diagnosis.holders.size() == 1 ? "Порт открыт программой " : "Порт открыт программами ") + names + ".";
}

}  // namespace

std::string PortCauseText(const PortDiagnosis& diagnosis)
{
    switch (diagnosis.fault) {
    case PortFault::kUnknown: return {};
    case PortFault::kMissing: return "Устройство " + diagnosis.devicePath + " не найдено: проверьте адаптер и кабель.";
    case PortFault::kHeld: return HoldersText(diagnosis);
    case PortFault::kNoPermission:
        if (!diagnosis.group.empty())
            return "Нет прав на порт: нужна группа " + diagnosis.group + " (sudo usermod -aG " + diagnosis.group +
                   " $USER), затем войдите в систему заново.";
        return "Нет прав на порт: он доступен только пользователю " + diagnosis.owner + ".";
    case PortFault::kGroupNotActive:
        return "Группа " + diagnosis.group + " уже назначена, но не действует в этом сеансе: войдите в систему заново.";
    case PortFault::kLineSettingsRefused: return "Порт не принимает настройки линии 2400 бит/с, 8E1.";
    case PortFault::kNetwork: return "Сервер портов недоступен или не поддерживает RFC 2217.";
    }
    return {};
}

}  // namespace torv
