// What the window tells the operator beyond the read and write themselves: refused
// writes and what can be written instead.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "event_loop.h"
#include "main_form_fixture.h"
#include "device/blocks.h"
#include "emulator/adapter_emulator.h"
#include "exchange/exchange_texts.h"
#include "ui/main_form.h"
#include "ui/spin_edit.h"

namespace torv {
namespace {

using testing::RunUntil;

TEST_F(MainFormTest, SecondFieldIsNotReadWhenTheFirstNeedsTuning)
{
    Create();
    ASSERT_TRUE(Read());
    form->SpinEdit1->setText("146.0125");
    form->CheckBox->setChecked(true);
    form->CheckBoxClick(form->CheckBox);
    form->SpinEdit2->setText("");
    form->WriteButtonClick(form->WriteButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, texts::NeedsTuning(1, "146.0125", "Ближайшие: 146.0000 и 146.0250 МГц").text);
    EXPECT_EQ(form->SpinEdit2->text(), "");
}

TEST_F(MainFormTest, FrequencyBeyondTheFieldsLengthIsShownAndQuotedWhole)
{
    // A foreign block: A = 1, N = 14, R = 7 decodes to 1281.4286 MHz, far above the band.
    const EncodedChannel foreign{1, 14, 7};
    Create(TransmitterContents{MakeInfoBlock({}), BuildParameterBlock(SynthMode::Legacy, false, false, foreign, foreign)});
    ASSERT_TRUE(Read());
    EXPECT_EQ(form->SpinEdit1->text(), "1281.4286");
    form->WriteButtonClick(form->WriteButton);
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
    const std::string tuning = " МГц не может быть запрограммирована,\r\n"
                               "    так как для неё требуется  подстройка передатчика.  \r\n"
                               "            Обратитесь на фирму производителя.          \r\n";
    const std::string band = "            Обратитесь на фирму производителя.          \r\n"
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
         "    так как превышен диапозон частот для передатчика.   \r\n" + band},
        {"150", "180",
         "Частота №2 180 МГц не может быть запрограммирована,\r\n"
         "    так как превышен диапазон частот для передатчика.   \r\n" + band},
        // No divisors wins over the range.
        {"180,0125", nullptr, "Частота №1 180,0125" + tuning + "Ближайшая: 174,0000 МГц"},
        {"99999999", nullptr, "Частота №1 99999999" + tuning + "Ближайшая: 174,0000 МГц"},
    };
    for (const Case& c : cases) {
        messages.clear();
        form->SpinEdit1->setText(QString::fromUtf8(c.first));
        form->CheckBox->setChecked(c.second != nullptr);
        form->CheckBoxClick(form->CheckBox);
        if (c.second)
            form->SpinEdit2->setText(QString::fromUtf8(c.second));
        form->WriteButtonClick(form->WriteButton);
        ASSERT_EQ(messages.size(), 1u) << c.first;
        EXPECT_EQ(messages[0].text, c.expected);
        EXPECT_EQ(messages[0].caption, "Ошибка");
        EXPECT_EQ(messages[0].flags, MessageFlags::kOkError);
        EXPECT_TRUE(form->WriteButton->isEnabled());
        EXPECT_TRUE(form->InfoPanel->isHidden());
    }
    EXPECT_EQ(CommandCount(), commandsAfterRead);
    // The bounds themselves pass.
    form->SpinEdit1->setText("174");
    form->CheckBox->setChecked(false);
    messages.clear();
    EXPECT_TRUE(Write());
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace torv
