// The set-up dialog's checks, settings the workshop locks, and what a tile shows in each
// state of its station.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "station/setup_dialog.h"
#include "station/station_texts.h"
#include "station/station_tile.h"

namespace torv::station {
namespace {

class SetupDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The workshop's system-wide file lives in a folder of the test's own.
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, system_.path());
    }

    QString Plan(const QByteArray& text)
    {
        const QString path = dir_.filePath(QStringLiteral("plan%1.csv").arg(++plans_));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    LoadedSetup Valid(const QString& plan)
    {
        LoadedSetup loaded;
        loaded.setup.planPath = plan;
        loaded.setup.orderCode = QStringLiteral("A-17");
        loaded.setup.operatorName = QStringLiteral("Иванова");
        loaded.setup.ports = {QStringLiteral("/dev/pts/91")};
        return loaded;
    }

    const std::vector<StationPort> ports_ = {
        {QStringLiteral("/dev/pts/91"), QStringLiteral("Демо 1"), {}, true},
        {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("ttyUSB0"), QStringLiteral("ftdi_sio, USB 0403:6001"), false}};
    QTemporaryDir dir_;
    QTemporaryDir system_;
    int plans_ = 0;
};

TEST_F(SetupDialogTest, APlanFaultIsShownWithItsRowAndReasonAndKeepsTheSetUpFromBeingSaved)
{
    const struct {
        QByteArray plan;
        QString shown;
    } cases[] = {
        {"serial,f1\n13071001,150.0\n13071001,151.0\n", QStringLiteral("Строка 3: номер 13071001 уже есть в плане")},
        {"serial,f1\n13071001,15O.0\n", QStringLiteral("Строка 2: «15O.0» — не частота в МГц")},
        {"serial,f1,f2,step\n13071001,150.0,,20\n", QStringLiteral("Строка 2: шаг сетки «20»")},
        {"serial,f1\n13071001,150.0,160.0\n", QStringLiteral("Строка 2: полей больше")},
        {"номер,f1\n13071001,150.0\n", QStringLiteral("Первая строка плана должна быть serial,f1,f2,step")},
        {"serial,f1\n", QStringLiteral("В плане нет ни одного передатчика")},
    };
    for (const auto& c : cases) {
        const SetupDialog dialog(Valid(Plan(c.plan)), ports_, true);
        ASSERT_FALSE(dialog.Problems().isEmpty()) << c.plan.toStdString();
        EXPECT_TRUE(dialog.Problems().front().contains(c.shown)) << dialog.Problems().front().toStdString();
        EXPECT_FALSE(dialog.AcceptButton()->isEnabled());
    }
    const SetupDialog missing(Valid(dir_.filePath("none.csv")), ports_, true);
    EXPECT_EQ(missing.Problems().front(), QStringLiteral("План: Файл плана не найден"));
}

TEST_F(SetupDialogTest, OrderOperatorAndAStationAreNeededAndTheTickedPortsAreTaken)
{
    SetupDialog dialog(Valid(Plan("serial,f1\n13071001,150.0\n")), ports_, true);
    EXPECT_TRUE(dialog.Problems().isEmpty()) << dialog.Problems().join('\n').toStdString();
    EXPECT_TRUE(dialog.AcceptButton()->isEnabled());
    EXPECT_TRUE(dialog.StationList()->item(1)->text().contains(QStringLiteral("ftdi_sio, USB 0403:6001")));

    dialog.OrderField()->clear();
    dialog.OperatorField()->setText(QStringLiteral("  "));
    dialog.StationList()->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(dialog.Problems(),
              (QStringList{QStringLiteral("Укажите заказ или партию."), QStringLiteral("Укажите оператора."),
                           QStringLiteral("Отметьте хотя бы одну станцию.")}));
    EXPECT_FALSE(dialog.AcceptButton()->isEnabled());

    dialog.OrderField()->setText(QStringLiteral("A-18"));
    dialog.OperatorField()->setText(QStringLiteral("Петров"));
    dialog.StationList()->item(1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(dialog.AcceptButton()->isEnabled());
    EXPECT_EQ(dialog.Setup().ports, QStringList{QStringLiteral("/dev/ttyUSB0")});
}

TEST_F(SetupDialogTest, SettingsOfTheSystemWideFileHoldAndCannotBeChangedNorIsAnythingDuringARun)
{
    {
        QSettings workshop(QSettings::NativeFormat, QSettings::SystemScope, "torv-programmer", "torv-station");
        workshop.setValue(keys::kScanRequired, true);
        workshop.setValue(keys::kOrder, QStringLiteral("A-17"));
    }
    {
        StationSetup user;
        user.orderCode = QStringLiteral("mine");
        user.scanRequired = false;
        user.operatorName = QStringLiteral("Иванова");
        SaveSetup(user, {});
    }
    const LoadedSetup loaded = LoadSetup();
    EXPECT_EQ(loaded.setup.orderCode, QStringLiteral("A-17"));
    EXPECT_TRUE(loaded.setup.scanRequired);
    EXPECT_EQ(loaded.setup.operatorName, QStringLiteral("Иванова"));
    EXPECT_EQ(loaded.locked, (QSet<QString>{keys::kScanRequired, keys::kOrder}));

    const SetupDialog stopped(loaded, ports_, true);
    EXPECT_FALSE(stopped.OrderField()->isEnabled());
    EXPECT_FALSE(stopped.ScanBox()->isEnabled());
    EXPECT_TRUE(stopped.OperatorField()->isEnabled());

    const SetupDialog running(Valid(Plan("serial,f1\n13071001,150.0\n")), ports_, false);
    EXPECT_FALSE(running.OperatorField()->isEnabled());
    EXPECT_FALSE(running.PlanField()->isEnabled());
    EXPECT_FALSE(running.AcceptButton()->isEnabled());
}

TEST(StationTileTest, EachStateShowsItsPhaseProgressAndColouredResult)
{
    const auto state = [](StationPhase phase, ResultColour result = ResultColour::None,
                          std::optional<StationOutcome> outcome = std::nullopt) {
        TileState tile;
        tile.name = QStringLiteral("Демо 1");
        tile.phase = phase;
        tile.serial = QStringLiteral("13071001");
        tile.result = result;
        tile.outcome = outcome;
        return tile;
    };
    TileState scan = state(StationPhase::Reading);
    scan.waitingForScan = true;
    TileState silent = state(StationPhase::Waiting);
    silent.adapterSilent = true;
    const struct {
        TileState tile;
        QString phase;
        QString result;
        ResultColour colour;
        int progress;
    } cases[] = {
        {state(StationPhase::Waiting), QStringLiteral("Ожидание передатчика"), texts::kNoResult, ResultColour::None, 0},
        {state(StationPhase::Reading), QStringLiteral("Чтение"), texts::kWorking, ResultColour::None, 25},
        {scan, texts::kWaitingForScan, texts::kWaitingForScanResult, ResultColour::None, 50},
        {state(StationPhase::Writing), QStringLiteral("Запись"), texts::kWorking, ResultColour::None, 70},
        {state(StationPhase::Verifying), QStringLiteral("Проверка"), texts::kWorking, ResultColour::None, 90},
        {state(StationPhase::Waiting, ResultColour::Good, StationOutcome::Programmed),
         QStringLiteral("Ожидание передатчика"), QStringLiteral("Запрограммирован и проверен"), ResultColour::Good,
         100},
        {state(StationPhase::Waiting, ResultColour::Bad, StationOutcome::LabelNotMatched),
         QStringLiteral("Ожидание передатчика"), QStringLiteral("Этикетка не подтверждена сканом: не записан"),
         ResultColour::Bad, 100},
        {silent, texts::kAdapterSilent, texts::kNoResult, ResultColour::None, 0},
    };
    StationTile tile;
    for (const auto& c : cases) {
        tile.Show(c.tile);
        EXPECT_EQ(tile.PhaseShown(), c.phase);
        EXPECT_EQ(tile.ResultShown(), c.result);
        EXPECT_EQ(tile.ColourShown(), c.colour);
        EXPECT_EQ(tile.ProgressShown(), c.progress) << c.phase.toStdString();
    }
}

}  // namespace
}  // namespace torv::station
