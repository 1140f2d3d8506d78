#include "station/station_setup.h"

#include <QSettings>

#include <algorithm>

#include "station/station_texts.h"

namespace torv::station {
namespace {

const char* const kOrganisation = "torv-programmer";
const char* const kApplication = "torv-station";
const QString kRunKey = QStringLiteral("run/unfinished");

QSettings UserSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
}

QSettings SystemSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::SystemScope, kOrganisation, kApplication);
}

DefaultStep StepNamed(const QString& name)
{
    if (name == QLatin1String("12.5"))
        return DefaultStep::Step12_5;
    if (name == QLatin1String("25"))
        return DefaultStep::Step25;
    return DefaultStep::AsRead;
}

QString StepName(DefaultStep step)
{
    switch (step) {
    case DefaultStep::Step12_5: return QStringLiteral("12.5");
    case DefaultStep::Step25: return QStringLiteral("25");
    case DefaultStep::AsRead: break;
    }
    return QStringLiteral("as-read");
}

void Read(const QSettings& settings, StationSetup& setup)
{
    setup.planPath = settings.value(keys::kPlan, setup.planPath).toString();
    setup.orderCode = settings.value(keys::kOrder, setup.orderCode).toString();
    setup.operatorName = settings.value(keys::kOperator, setup.operatorName).toString();
    setup.ports = settings.value(keys::kPorts, setup.ports).toStringList();
    setup.step = StepNamed(settings.value(keys::kStep, StepName(setup.step)).toString());
    setup.gridEditEnabled = settings.value(keys::kGridEdit, setup.gridEditEnabled).toBool();
    setup.keepSecondWhenEmpty = settings.value(keys::kKeepSecond, setup.keepSecondWhenEmpty).toBool();
    setup.scanRequired = settings.value(keys::kScanRequired, setup.scanRequired).toBool();
    setup.scanSeconds =
        std::clamp(settings.value(keys::kScanSeconds, setup.scanSeconds).toInt(), kShortestScanWait, kLongestScanWait);
}

}  // namespace

LoadedSetup LoadSetup()
{
    LoadedSetup loaded;
    QSettings user = UserSettings();
    user.setFallbacksEnabled(false);
    Read(user, loaded.setup);
    const QSettings system = SystemSettings();
    Read(system, loaded.setup);
    for (const QString& key : system.allKeys())
        loaded.locked.insert(key);
    return loaded;
}

void SaveSetup(const StationSetup& setup, const QSet<QString>& locked)
{
    QSettings user = UserSettings();
    const auto keep = [&](const QString& key, const QVariant& value) {
        if (!locked.contains(key))
            user.setValue(key, value);
    };
    keep(keys::kPlan, setup.planPath);
    keep(keys::kOrder, setup.orderCode);
    keep(keys::kOperator, setup.operatorName);
    keep(keys::kPorts, setup.ports);
    keep(keys::kStep, StepName(setup.step));
    keep(keys::kGridEdit, setup.gridEditEnabled);
    keep(keys::kKeepSecond, setup.keepSecondWhenEmpty);
    keep(keys::kScanRequired, setup.scanRequired);
    keep(keys::kScanSeconds, setup.scanSeconds);
}

QString UnfinishedRun()
{
    QSettings user = UserSettings();
    user.setFallbacksEnabled(false);
    return user.value(kRunKey).toString();
}

void SetUnfinishedRun(const QString& runId)
{
    QSettings user = UserSettings();
    if (runId.isEmpty())
        user.remove(kRunKey);
    else
        user.setValue(kRunKey, runId);
}

QStringList SetupProblems(const StationSetup& setup, const PlanReading& plan)
{
    QStringList problems;
    if (setup.planPath.isEmpty())
        problems << QStringLiteral("Выберите файл плана.");
    else if (plan.problem)
        problems << QStringLiteral("План: ") + PlanProblemText(*plan.problem);
    if (setup.orderCode.isEmpty())
        problems << QStringLiteral("Укажите заказ или партию.");
    if (setup.operatorName.isEmpty())
        problems << QStringLiteral("Укажите оператора.");
    if (setup.ports.isEmpty())
        problems << QStringLiteral("Отметьте хотя бы одну станцию.");
    return problems;
}

std::map<std::string, WantedFrequencies> PlanWithOptions(std::map<std::string, WantedFrequencies> units,
                                                         const StationSetup& setup)
{
    for (auto& [serial, wanted] : units) {
        wanted.gridEditEnabled = setup.gridEditEnabled;
        if (!wanted.grid25kHz && setup.step != DefaultStep::AsRead)
            wanted.grid25kHz = setup.step == DefaultStep::Step25;
        if (!wanted.f2 && setup.keepSecondWhenEmpty)
            wanted.noF2 = false;
    }
    return units;
}

}  // namespace torv::station
