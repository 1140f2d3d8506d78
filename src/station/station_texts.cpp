#include "station/station_texts.h"

#include <cerrno>

namespace torv::station {

QString PhaseText(StationPhase phase)
{
    switch (phase) {
    case StationPhase::Waiting: return QStringLiteral("Ожидание передатчика");
    case StationPhase::Reading: return QStringLiteral("Чтение");
    case StationPhase::Writing: return QStringLiteral("Запись");
    case StationPhase::Verifying: return QStringLiteral("Проверка");
    case StationPhase::Stopped: break;
    }
    return QStringLiteral("Остановлена");
}

QString OutcomeText(StationOutcome outcome)
{
    switch (outcome) {
    case StationOutcome::Programmed: return QStringLiteral("Запрограммирован и проверен");
    case StationOutcome::NotInPlan: return QStringLiteral("Нет в плане: не записан");
    case StationOutcome::ProgrammedEarlier: return QStringLiteral("Уже запрограммирован в этой партии");
    case StationOutcome::LabelNotMatched: return QStringLiteral("Этикетка не подтверждена сканом: не записан");
    case StationOutcome::DamagedData: return QStringLiteral("Данные в передатчике повреждены: не записан");
    case StationOutcome::WriteLocked: return QStringLiteral("Адаптер запретил запись: не записан");
    case StationOutcome::NeedsTuning: return QStringLiteral("Частоту нельзя запрограммировать: не записан");
    case StationOutcome::OutOfRange: return QStringLiteral("Частота вне диапазона передатчика: не записан");
    case StationOutcome::NotVerified: return QStringLiteral("Запись не подтверждена: состояние неизвестно");
    case StationOutcome::HeldElsewhere:
        return QStringLiteral("Уже запрограммирован или программируется на другом стенде");
    case StationOutcome::ClaimNotKept: return QStringLiteral("Заявку на передатчик не удалось сохранить: не записан");
    case StationOutcome::ReadFailed: break;
    }
    return QStringLiteral("Обмен с передатчиком не завершён: не записан");
}

QString PlanProblemText(const PlanProblem& problem)
{
    using Kind = PlanProblem::Kind;
    const QString detail = QString::fromStdString(problem.detail);
    const QString row = QStringLiteral("Строка %1: ").arg(problem.row);
    switch (problem.kind) {
    case Kind::Unreadable:
        switch (problem.systemError) {
        case ENOENT: return QStringLiteral("Файл плана не найден");
        case EACCES: return QStringLiteral("Нет прав на чтение файла плана");
        default: return QStringLiteral("Файл плана не читается (%1)").arg(detail);
        }
    case Kind::NotARegularFile: return QStringLiteral("План должен быть обычным файлом");
    case Kind::TooLarge: return QStringLiteral("Файл плана больше 10 МиБ");
    case Kind::NotCsv: return QStringLiteral("После строки %1 файл не в формате CSV").arg(problem.row);
    case Kind::BadHeader: return QStringLiteral("Первая строка плана должна быть serial,f1,f2,step");
    case Kind::MoreFields: return row + QStringLiteral("полей больше, чем в заголовке");
    case Kind::NoSerial: return row + QStringLiteral("нет заводского номера");
    case Kind::PlannedTwice: return row + QStringLiteral("номер %1 уже есть в плане").arg(detail);
    case Kind::NotAFrequency: return row + QStringLiteral("«%1» — не частота в МГц (через точку)").arg(detail);
    case Kind::FrequencyOutOfBounds: return row + QStringLiteral("частота «%1» вне допустимых пределов").arg(detail);
    case Kind::UnknownStep: return row + QStringLiteral("шаг сетки «%1» — нужно 12.5 или 25").arg(detail);
    case Kind::NoUnit: break;
    }
    return QStringLiteral("В плане нет ни одного передатчика");
}

QString FrequenciesText(const std::string& frequencies)
{
    if (frequencies.empty())
        return QStringLiteral("—");
    return QString::fromStdString(frequencies).replace(QLatin1Char('.'), QLatin1Char(',')) + QStringLiteral(" МГц");
}

}  // namespace torv::station
