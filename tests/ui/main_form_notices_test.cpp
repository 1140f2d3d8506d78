// What the window tells the operator beyond the read and write themselves: refused
// writes and what can be written instead, a write left unverified, long port names.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QStatusBar>

#include "event_loop.h"
#include "main_form_fixture.h"
#include "device/blocks.h"
#include "emulator/adapter_emulator.h"
#include "exchange/exchange_texts.h"
#include "ui/controls/busy_indicator.h"
#include "ui/controls/drop_combo.h"
#include "ui/controls/spin_edit.h"
#include "ui/main_form.h"

namespace torv {
namespace {

using testing::RunUntil;

TEST_F(MainFormTest, SecondFieldIsNotReadWhenTheFirstNeedsTuning)
{
    Create();
    ASSERT_TRUE(Read());
    ui.SpinEdit1->setText("146.0125");
    ui.CheckBox->setChecked(true);
    form->CheckBoxClick(ui.CheckBox);
    ui.SpinEdit2->setText("");
    form->WriteButtonClick(ui.WriteButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, texts::NeedsTuning(1, "146.0125", "Ближайшие: 146.0000 и 146.0250 МГц").text);
    EXPECT_EQ(ui.SpinEdit2->text(), "");
}

TEST_F(MainFormTest, FrequencyBeyondTheFieldsLengthIsShownAndQuotedWhole)
{
    // A foreign block: A = 1, N = 14, R = 7 decodes to 1281.4286 MHz, far above the band.
    const EncodedChannel foreign{1, 14, 7};
    Create(
        TransmitterContents{MakeInfoBlock({}), BuildParameterBlock(SynthMode::Legacy, false, false, foreign, foreign)});
    ASSERT_TRUE(Read());
    EXPECT_EQ(ui.SpinEdit1->text(), "1281.4286");
    form->WriteButtonClick(ui.WriteButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              texts::OutOfRange(1, "1281.4286", "Диапазон передатчика: 146.0000 – 174.0000 МГц").text);
}

// The four write checks as the operator reads them, with the locale's separator: what
// cannot be programmed names the nearest frequencies that can, what is out of range the
// transmitter's band. Nothing is sent.
TEST_F(MainFormTest, RefusedWritesSayWhatCanBeWrittenAndSendNothing)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    Create();
    ASSERT_TRUE(Read());
    const std::size_t commandsAfterRead = CommandCount();
    const std::string tuning =
        " МГц не может быть запрограммирована,\r\n"
        "    так как для неё требуется  подстройка передатчика.  \r\n"
        "            Обратитесь на фирму производителя.          \r\n";
    const std::string band =
        "            Обратитесь на фирму производителя.          \r\n"
        "Диапазон передатчика: 146,0000 – 174,0000 МГц";
    struct Case {
        const char* first;
        const char* second;  // nullptr: second frequency not ticked
        std::string expected;
    };
    const Case cases[] = {
        {"146,0125", nullptr, "Частота №1 146,0125" + tuning + "Ближайшие: 146,0000 и 146,0250 МГц"},
        {"150", "145,9875", "Частота №2 145,9875" + tuning + "Ближайшая: 146,0000 МГц"},
        {"140", nullptr,
         "Частота №1 140 МГц не может быть запрограммирована,\r\n"
         "    так как превышен диапозон частот для передатчика.   \r\n" +
             band},
        {"150", "180",
         "Частота №2 180 МГц не может быть запрограммирована,\r\n"
         "    так как превышен диапазон частот для передатчика.   \r\n" +
             band},
        // No divisors wins over the range.
        {"180,0125", nullptr, "Частота №1 180,0125" + tuning + "Ближайшая: 174,0000 МГц"},
        {"99999999", nullptr, "Частота №1 99999999" + tuning + "Ближайшая: 174,0000 МГц"},
    };
    for (const Case& c : cases) {
        messages.clear();
        ui.SpinEdit1->setText(QString::fromUtf8(c.first));
        ui.CheckBox->setChecked(c.second != nullptr);
        form->CheckBoxClick(ui.CheckBox);
        if (c.second)
            ui.SpinEdit2->setText(QString::fromUtf8(c.second));
        form->WriteButtonClick(ui.WriteButton);
        ASSERT_EQ(messages.size(), 1u) << c.first;
        EXPECT_EQ(messages[0].text, c.expected);
        EXPECT_EQ(messages[0].caption, "Ошибка");
        EXPECT_EQ(messages[0].flags, MessageFlags::kOkError);
        EXPECT_TRUE(ui.WriteButton->isEnabled());
        EXPECT_TRUE(ui.InfoPanel->isHidden());
    }
    EXPECT_EQ(CommandCount(), commandsAfterRead);
    // The bounds themselves pass.
    ui.SpinEdit1->setText("174");
    ui.CheckBox->setChecked(false);
    messages.clear();
    EXPECT_TRUE(Write());
    EXPECT_TRUE(messages.empty());
}

// A write that ended before a read-back confirmed it is never left looking like a success:
// the status bar warns in the busy panel's maroon, status texts on or off, until the next
// successful read.
TEST_F(MainFormTest, UnverifiedWriteIsWarnedOfInTheStatusBar)
{
    EmulatorFaults corrupted;
    corrupted.corruptReadbackCount = kAlways;
    EmulatorFaults silent;
    silent.silent[AdapterCommand::ParamRequest] = kAlways;
    struct Case {
        const char* what;
        EmulatorFaults faults;
        const Message& prompt;
        bool statusTexts;
    };
    const Case cases[] = {
        {"prompt H: Cancel", corrupted, texts::kWriteVerifyError, true},
        {"prompt I: Cancel, -s", silent, texts::kTransmitterNotResponding, false},
    };
    const QColor maroon(128, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Create();
        form->SetShowStatusMessages(c.statusTexts);
        ASSERT_TRUE(Read());
        emulator->SetFaults(c.faults);
        ui.SpinEdit1->setText("150.0000");
        EXPECT_FALSE(Write());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, c.prompt.text);
        EXPECT_TRUE(ui.StatusBar->currentMessage().endsWith(
            QString::fromUtf8("  -  Запись не подтверждена: состояние передатчика неизвестно.")));
        EXPECT_EQ(ui.StatusBar->palette().color(QPalette::WindowText), maroon);

        emulator->SetFaults({});
        ASSERT_TRUE(RunUntil([&] { return !form->Exchange().PortCloseTimerArmed(); }));
        ASSERT_TRUE(Read());
        EXPECT_EQ(ui.StatusBar->currentMessage().endsWith(QString::fromUtf8("  -  Данные успешно считаны.")),
                  c.statusTexts);
        EXPECT_EQ(ui.StatusBar->currentMessage().isEmpty(), !c.statusTexts);
        EXPECT_NE(ui.StatusBar->palette().color(QPalette::WindowText), maroon);
        messages.clear();
        form.reset();
    }
}

// Port paths too long for the narrow field are shortened there, each keeping what tells
// it apart; the list, the tooltip and the port opened keep the whole path.
TEST_F(MainFormTest, LongPortPathsAreShortenedOnlyInTheField)
{
    const QStringList paths{"/tmp/torv-bench/usb-serial-adapters/adapter0",
                            "/tmp/torv-bench/usb-serial-adapters/adapter1"};
    Create(MakeContents(), false, paths);
    EXPECT_EQ(ui.CommComboBox->Items().mid(1), paths);
    QStringList shown;
    for (const QString& path : paths) {
        ui.CommComboBox->SetItemIndex(static_cast<int>(ui.CommComboBox->Items().indexOf(path)));
        shown << ui.CommComboBox->text();
        EXPECT_TRUE(shown.back().contains(QString::fromUtf8("…"))) << shown.back().toStdString();
        EXPECT_EQ(shown.back().back(), path.back());
        EXPECT_EQ(ui.CommComboBox->Text(), path);
        EXPECT_TRUE(ui.CommComboBox->toolTip().startsWith(path));
        EXPECT_EQ(form->Exchange().PortDevicePath(), path.toStdString());
    }
    EXPECT_NE(shown[0], shown[1]);
    // A name that fits is shown whole.
    ui.CommComboBox->SetItemIndex(0);
    EXPECT_EQ(ui.CommComboBox->text(), ui.CommComboBox->Text());
    EXPECT_EQ(ui.CommComboBox->toolTip(), "");
}

}  // namespace
}  // namespace torv
