#pragma once
// The station window's words: Russian, for operators, never a prompt letter or a code.

#include <QString>

#include "production/batch_engine.h"
#include "production/plan_file.h"
#include "production/unit_station.h"

namespace torv::station {

QString PhaseText(StationPhase phase);
QString OutcomeText(StationOutcome outcome);
// What is wrong with a plan file, with its row where there is one.
QString PlanProblemText(const PlanProblem& problem);
// "150,0125 / 160,5 МГц": frequencies as a plan or a report gives them ("150.0125 / 160.5").
QString FrequenciesText(const std::string& frequencies);

namespace texts {
inline const QString kWindowTitle = QStringLiteral("Станция программирования ТОРВ");
inline const QString kWaitingForScan = QStringLiteral("Сканируйте этикетку");
inline const QString kWaitingForScanResult = QStringLiteral("Ожидание скана этикетки");
inline const QString kAdapterSilent = QStringLiteral("Адаптер не отвечает или порт недоступен");
inline const QString kStationFailed = QStringLiteral("Станция остановлена из-за ошибки");
inline const QString kNoResult = QStringLiteral("Ожидание");
inline const QString kWorking = QStringLiteral("Идёт программирование");
}  // namespace texts

}  // namespace torv::station
