#include "ui/main_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "device/frequency_codec.h"
#include "device/info_text.h"
#include "device/parameters.h"
#include "exchange/exchange_texts.h"
#include "exchange/write_preparation.h"
#include "serial/port_diagnosis.h"
#include "serial/port_discovery.h"
#include "skin/sk_button.h"
#include "skin/sk_sys_btn.h"
#include "ui/controls/busy_indicator.h"
#include "ui/controls/drop_combo.h"
#include "ui/controls/radio_group.h"
#include "ui/controls/readout_panel.h"
#include "ui/controls/spin_edit.h"
#include "ui/port_cause_text.h"
#include "ui/port_choice.h"
#include "ui/ui_texts.h"

namespace torv {
namespace {

constexpr int kOuterWidth = 400;
constexpr int kOuterHeight = 210;
constexpr int kLegacyOuterWidth = 398;
constexpr int kGridOuterWidth = 503;
// The inner area below the caption strip and inside the frame.
constexpr int kInnerLeft = 5;
constexpr int kInnerTop = 29;
constexpr int kInnerWidthLoss = 10;  // inner width = outer width - 10
constexpr int kInnerHeight = 176;
constexpr int kStatusBarHeight = 20;
// The Ctrl bit with the letter's virtual-key code, which is its capital.
constexpr TShortCut kReadShortCut = kCtrlBit | 'R';
constexpr TShortCut kWriteShortCut = kCtrlBit | 'W';

QString Text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

template <typename Widget>
Widget* Place(Widget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(left, top, width, height);
    return widget;
}

// Labels size themselves to their text, as the layout's widths were measured for another font.
QLabel* MakeLabel(const char* text, QWidget* parent, int left, int top, int width, int height)
{
    auto* label = Place(new QLabel(Text(text), parent), left, top, width, height);
    label->resize(std::max(width, label->sizeHint().width()), height);
    return label;
}

TDoubleSpinEdit* MakeFrequencyField(QWidget* parent, int left, int top)
{
    auto* field = Place(new TDoubleSpinEdit(parent), left, top, 81, 21);
    field->SetLoading(true);
    field->SetMinValue(146);
    field->SetMaxValue(174);
    field->SetLoading(false);
    field->SetLineSize(0.0001);
    field->SetPageSize(0.1);
    field->SetIsCicle(true);
    field->SetDecimals(4);
    field->SetMaxLength(8);
    field->SetValue(174);
    return field;
}

// The window's font in a narrow face, for texts that must fit a short space whole.
QFont NarrowFont(QFont font)
{
    font.setFamilies({QStringLiteral("Liberation Sans Narrow"), QStringLiteral("DejaVu Sans Condensed")});
    return font;
}

TSkButton* MakeButton(const char* caption, QWidget* parent, int left)
{
    auto* button = Place(new TSkButton(parent), left, 123, 73, 23);
    button->SetCaption(Text(caption));
    return button;
}

}  // namespace

TMainForm::TMainForm(MainFormOptions options, QWidget* parent)
    : TSkForm(parent), options_(std::move(options)), journal_(journalNotes_, exchange_, options_.journalPath, [this] {
          return CommComboBox->ItemToolTip(CommComboBox->ItemIndex()).toStdString();
      })
{
    SetFixedWidth(kOuterWidth);
    SetFixedHeight(kOuterHeight);
    SetKindCaption(TKindCaption::kcSimple);
    SetCaption(Text(ui_texts::kWindowCaption));
    ApplyProgrammerPortSettings(port_);
    ConnectPortEvents(port_, exchange_);
    CreateControls();
    CreateWindowMenuItems();
    NameObjects();
    FinishLayout();
    RegisterHotKeys();
    FormCreate();
}

THotKeyBackEnd& TMainForm::HotKeyBackEnd()
{
    if (options_.localHotKeys)
        return windowHotKeys_;
    return options_.hotKeyBackEnd ? *options_.hotKeyBackEnd : PlatformHotKeyBackEnd();
}

TMainForm::~TMainForm()
{
    // FormDestroy: the response timer stops, the port is purged and closed.
    exchange_.Shutdown();
}

void TMainForm::CreateControls()
{
    SkMinBtn = new TSkSysBtn(this);
    SkMinBtn->setToolTip(Text(ui_texts::kMinimizeHint));
    SetBtnMin(SkMinBtn);
    SkClsBtn = new TSkSysBtn(this);
    SkClsBtn->setToolTip(Text(ui_texts::kCloseHint));
    SetBtnCls(SkClsBtn);

    auto* infoGroupBox = Place(new QGroupBox(Text(ui_texts::kInfoGroup), this), 9, 8, 168, 105);
    MakeLabel(ui_texts::kDateLabel, infoGroupBox, 10, 23, 75, 13);
    MakeLabel(ui_texts::kSerialLabel, infoGroupBox, 10, 50, 71, 13);
    MakeLabel(ui_texts::kVersionLabel, infoGroupBox, 10, 77, 75, 13);
    PnlDate = Place(new TReadoutPanel(Text(ui_texts::kDateEmpty), infoGroupBox), 89, 21, 66, 18);
    PnlSeria = Place(new TReadoutPanel(Text(ui_texts::kSerialEmpty), infoGroupBox), 89, 48, 66, 18);
    PnlVersia = Place(new TReadoutPanel(Text(ui_texts::kVersionEmpty), infoGroupBox), 89, 75, 66, 18);
    PnlDate->setAccessibleName(Text(ui_texts::kDateLabel));
    PnlSeria->setAccessibleName(Text(ui_texts::kSerialLabel));
    PnlVersia->setAccessibleName(Text(ui_texts::kVersionLabel));

    ParamGroupBox = Place(new QGroupBox(Text(ui_texts::kParamGroup), this), 187, 8, 194, 105);
    MakeLabel(ui_texts::kFirstLabel, ParamGroupBox, 11, 23, 83, 13);
    CheckBox = Place(new QCheckBox(Text(ui_texts::kSecondCheck), ParamGroupBox), 12, 50, 158, 17);
    Label2 = MakeLabel(ui_texts::kSecondLabel, ParamGroupBox, 11, 77, 81, 13);
    Label2->setEnabled(false);
    SpinEdit1 = MakeFrequencyField(ParamGroupBox, 100, 20);
    SpinEdit2 = MakeFrequencyField(ParamGroupBox, 100, 74);
    SpinEdit1->setAccessibleName(Text(ui_texts::kFirstFieldName));
    SpinEdit2->setAccessibleName(Text(ui_texts::kSecondFieldName));

    // The label and the field keep the layout's sizes: the label's letters sit a little
    // closer so that it ends before the field, and the field's narrow face shows port
    // names of eight characters whole.
    QLabel* portLabel = MakeLabel(ui_texts::kPortLabel, this, 9, 126, 53, 13);
    QFont portLabelFont = portLabel->font();
    portLabelFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
    portLabel->setFont(portLabelFont);
    portLabel->resize(53, 13);
    CommComboBox = Place(new TDropCombo(this), 65, 124, 63, 21);
    CommComboBox->setFont(NarrowFont(CommComboBox->font()));
    CommComboBox->setAccessibleName(Text(ui_texts::kPortListName));
    ReadButton = MakeButton(ui_texts::kRead, this, 137);
    WriteButton = MakeButton(ui_texts::kWrite, this, 219);
    WriteButton->setEnabled(false);
    CloseButton = MakeButton(ui_texts::kClose, this, 308);

    StatusBar = Place(new QStatusBar(this), 0, kInnerHeight - kStatusBarHeight, kOuterWidth - kInnerWidthLoss,
                      kStatusBarHeight);
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setAccessibleName(Text(ui_texts::kStatusBarName));

    RGroupStepFreq = Place(new TRadioGroup(Text(ui_texts::kGridStepGroup),
                                           {Text(ui_texts::kGridStep125), Text(ui_texts::kGridStep25)}, this),
                           384, 16, 107, 60);
    RGroupStepFreq->SetItemIndex(0);
    RGroupStepFreq->setEnabled(false);
    RGroupStepFreq->hide();

    InfoPanel = Place(new TBusyPanel(this), 102, 34, 185, 63);
    InfoPanel->raise();

    setTabOrder(CommComboBox, CheckBox);
    setTabOrder(CheckBox, SpinEdit1);
    setTabOrder(SpinEdit1, SpinEdit2);
    setTabOrder(SpinEdit2, RGroupStepFreq);

    connect(ReadButton, &TSkButton::OnClick, this, &TMainForm::ReadButtonClick);
    connect(WriteButton, &TSkButton::OnClick, this, &TMainForm::WriteButtonClick);
    connect(CloseButton, &TSkButton::OnClick, this, &TMainForm::CloseButtonClick);
    connect(CheckBox, &QCheckBox::clicked, this, [this] { CheckBoxClick(CheckBox); });
    connect(CommComboBox, &TDropCombo::OnChange, this, &TMainForm::CommComboBoxChange);
    // An adapter plugged in after start-up appears, an unplugged one goes.
    connect(CommComboBox, &TDropCombo::OnDropDown, this, &TMainForm::ReadPortList);
    connect(SpinEdit1, &TDoubleSpinEdit::OnKeyPress, this, &TMainForm::SpinEditKeyPress, Qt::DirectConnection);
    connect(SpinEdit2, &TDoubleSpinEdit::OnKeyPress, this, &TMainForm::SpinEditKeyPress, Qt::DirectConnection);
    // The busy bar keeps moving while a write holds the window's thread.
    port_.OnWriteWait.Connect(this, [this](TSioComm*) { InfoPanel->Progress()->RepaintNow(); });
}

void TMainForm::NameObjects()
{
    const std::pair<QObject*, const char*> named[] = {
        {PnlDate, "PnlDate"},
        {PnlSeria, "PnlSeria"},
        {PnlVersia, "PnlVersia"},
        {ParamGroupBox, "ParamGroupBox"},
        {CheckBox, "CheckBox"},
        {Label2, "Label2"},
        {SpinEdit1, "SpinEdit1"},
        {SpinEdit2, "SpinEdit2"},
        {CommComboBox, "CommComboBox"},
        {ReadButton, "ReadButton"},
        {WriteButton, "WriteButton"},
        {CloseButton, "CloseButton"},
        {InfoPanel, "InfoPanel"},
        {StatusBar, "StatusBar"},
        {RGroupStepFreq, "RGroupStepFreq"},
        {SkMinBtn, "SkMinBtn"},
        {SkClsBtn, "SkClsBtn"},
        {JournalItem, "JournalItem"},
        {RestoreItem, "RestoreItem"},
        {&ReadHotKey, "ReadHotKey"},
        {&WriteHotKey, "WriteHotKey"},
    };
    for (const auto& [object, name] : named)
        object->setObjectName(QLatin1String(name));
}

void TMainForm::RegisterHotKeys()
{
    ReadHotKey.SetHotKey(kReadShortCut);
    connect(&ReadHotKey, &TAppHotKey::OnHotKey, this, [this] { ReadButtonClick(ReadButton); });
    ReadHotKey.SetActive(true);
    WriteHotKey.SetHotKey(kWriteShortCut);
    connect(&WriteHotKey, &TAppHotKey::OnHotKey, this, [this] { WriteButtonClick(WriteButton); });
    WriteHotKey.SetActive(true);
}

void TMainForm::FormCreate()
{
    gridMode_ = false;
    InfoPanel->hide();

    ReadPortList();
    if (CommComboBox->ItemCount() == 0) {
        ShowMessage(Message{ui_texts::kNoPorts, "Ошибка", MessageFlags::kOkError});
        return;
    }
    // The port of the last successful exchange when it is there, else the first.
    const auto remembered = static_cast<int>(CommComboBox->Items().indexOf(RememberedPort()));  // a few ports
    CommComboBox->SetItemIndex(std::max(remembered, 0));
    exchange_.SetPortDevicePath(ChosenPortPath());
    if (!options_.demoPort.isEmpty())
        journal_.SetDemoPort(PortDevicePath(PortNameOf(options_.demoPort.toStdString())));

    exchange_.SetBlock(DefaultParameterBlock());
    ShowParameters();
    created_ = true;
}

void TMainForm::ReadPortList()
{
    const PortChoices ports =
        ReadPortChoices(options_.extraPorts, options_.sysfsRoot, options_.devRoot, options_.demoPort);
    portPaths_ = ports.paths;
    CommComboBox->SetItems(ports.names, ports.toolTips);
}

void TMainForm::SetShowStatusMessages(bool show)
{
    exchange_.SetShowStatusMessages(show);
}

// ---- handlers -----------------------------------------------------------------------

void TMainForm::ReadButtonClick(QObject*)
{
    if (!ReadButton->isEnabled())
        return;  // the hot key reaches this handler in any state
    journal_.BeginRead();
    exchange_.StartRead();
}

void TMainForm::WriteButtonClick(QObject*)
{
    if (!WriteButton->isEnabled())
        return;
    WriteRequest request;
    request.gridMode = gridMode_;
    request.deviceType = InfoBlockView(exchange_.Info()).DeviceType();
    request.secondEnabled = CheckBox->isChecked();
    request.minMHz = SpinEdit1->MinValue();
    request.maxMHz = SpinEdit1->MaxValue();
    request.decimalSeparator = DecimalSeparator().toStdString();
    // A field whose text is no number is corrected to its minimum and shown, and nothing
    // is written: the operator writes what is now shown by pressing Write again.
    if (CorrectUnreadable(SpinEdit1))
        return;
    request.first = FrequencyEntry{SpinEdit1->Value(), SpinEdit1->text().toStdString()};
    // In legacy mode the first frequency's divisors are judged before the second field
    // is looked at (the checks refuse it first), and an unticked second frequency is not
    // looked at at all.
    if (!gridMode_ && !FindLegacyDivisors(request.first.mhz).success) {
        RefuseWrite(*PrepareWrite(request).refusal);
        return;
    }
    if (gridMode_ || request.secondEnabled) {
        if (CorrectUnreadable(SpinEdit2))
            return;
        request.second = FrequencyEntry{SpinEdit2->Value(), SpinEdit2->text().toStdString()};
    }
    request.grid25kHz = RGroupStepFreq->ItemIndex() == 1;
    request.gridEditEnabled = options_.gridEditEnabled;
    request.current = exchange_.Block();

    const WritePlan plan = PrepareWrite(request);
    if (plan.refusal) {
        RefuseWrite(*plan.refusal);
        return;
    }
    SetControlState(ControlState::Busy);
    if (plan.force25kHz) {
        ShowMessage(texts::kGrid25kHzNotice);
        RGroupStepFreq->SetItemIndex(1);
    }
    StartCheckedWrite(plan.block, "write");
}

void TMainForm::StartCheckedWrite(const ParameterBlock& block, const std::string& operation)
{
    journal_.BeginWrite(block, operation);
    writing_ = true;
    exchange_.StartWrite(block);
}

void TMainForm::RefuseWrite(const Message& refusal, const std::string& operation)
{
    ShowMessage(refusal);
    journal_.Refused(refusal, operation);
}

void TMainForm::CloseButtonClick(QObject*)
{
    close();
}

void TMainForm::CheckBoxClick(QObject*)
{
    const bool second = CheckBox->isChecked();
    Label2->setEnabled(second);
    SpinEdit2->setEnabled(second);
}

void TMainForm::CommComboBoxChange(QObject*)
{
    exchange_.ChangePort(ChosenPortPath());
    WriteButton->setEnabled(false);
}

void TMainForm::SpinEditKeyPress(QObject*, QChar& key)
{
    if (key == u',' || key == u'.')
        key = DecimalSeparator().front();
}

// ---- window operations --------------------------------------------------------------

void TMainForm::ShowDeviceInfo()
{
    unitRead_ = true;
    InfoBlock& info = exchange_.Info();
    PnlDate->SetCaption(QString::fromStdString(DateText(info)));
    PnlSeria->SetCaption(QString::fromStdString(SerialText(info)));
    PnlVersia->SetCaption(QString::fromStdString(VersionText(info)));
}

void TMainForm::ShowParameters()
{
    const std::uint8_t deviceType = InfoBlockView(exchange_.Info()).DeviceType();
    if (const std::optional<TransmitterType> band = FindTransmitterType(deviceType))
        SetFrequencyBounds(band->minMHz, band->maxMHz);
    RGroupStepFreq->setEnabled(false);

    const ShownParameters shown = DecodeParameterBlock(exchange_.Block(), deviceType);
    gridMode_ = shown.gridMode;
    if (shown.gridMode) {
        RGroupStepFreq->setEnabled(options_.gridEditEnabled);
        SetOuterWidth(kGridOuterWidth);
        RGroupStepFreq->SetItemIndex(shown.grid25kHz ? 1 : 0);
        RGroupStepFreq->show();
    } else {
        SetOuterWidth(kLegacyOuterWidth);
        RGroupStepFreq->hide();
    }
    // A record that cannot be decoded leaves frequency 1's text as it was, and switches
    // the second frequency off.
    ShowFrequency(SpinEdit1, shown.firstHz);
    CheckBox->setChecked(shown.secondEnabled && shown.secondHz);
    CheckBoxClick(CheckBox);
    ShowFrequency(SpinEdit2, shown.secondHz);
}

void TMainForm::AbortToIdle()
{
    exchange_.AbortToIdle();
}

// ---- helpers ------------------------------------------------------------------------

void TMainForm::SetOuterWidth(int width)
{
    // The fixed outer size follows the mode; the status bar spans the inner area's width.
    SetFixedWidth(width);
    StatusBar->setGeometry(kInnerLeft, kInnerTop + kInnerHeight - kStatusBarHeight, width - kInnerWidthLoss,
                           kStatusBarHeight);
}

void TMainForm::SetFrequencyBounds(double minMHz, double maxMHz)
{
    // Each bound setter refuses a value that would not keep the minimum below the
    // maximum, so the order depends on where the new range lies.
    for (TDoubleSpinEdit* field : {SpinEdit1, SpinEdit2}) {
        if (minMHz >= field->MaxValue()) {
            field->SetMaxValue(maxMHz);
            field->SetMinValue(minMHz);
        } else {
            field->SetMinValue(minMHz);
            field->SetMaxValue(maxMHz);
        }
    }
}

void TMainForm::ShowFrequency(TDoubleSpinEdit* field, const std::optional<double>& hz)
{
    if (hz)
        field->setText(QString::fromStdString(FormatMHz(*hz, DecimalSeparator().toStdString())));
}

bool TMainForm::CorrectUnreadable(TDoubleSpinEdit* field)
{
    if (field->HoldsNumber())
        return false;
    field->Value();  // reading an unreadable text writes the minimum into the field
    return true;
}

QString TMainForm::DecimalSeparator() const
{
    return QLocale().decimalPoint();
}

// ---- exchange host ------------------------------------------------------------------

void TMainForm::SetControlState(ControlState state)
{
    const bool busy = state == ControlState::Busy;
    if (state == ControlState::IdleAfterSuccess && !DemoPortChosen())
        RememberPort(CommComboBox->Text());
    JournalItem->setEnabled(!busy);
    RestoreItem->setEnabled(!busy);
    InfoPanel->setVisible(busy);
    ReadButton->setEnabled(!busy);
    WriteButton->setEnabled(state == ControlState::IdleAfterSuccess);
    ParamGroupBox->setEnabled(!busy);
    CommComboBox->setEnabled(true);
    // A write may block the main thread right after this, and a child just shown gets its
    // first paint from the event queue: paint the busy panel now, so that it stands whole
    // and the bar, alone repainted during the write, moves on it.
    if (busy)
        InfoPanel->repaint();
    if (!busy && std::exchange(writing_, false) && closeAfterWrite_) {
        // After the exchange's handler has returned; the write's row is written as the window goes.
        QTimer::singleShot(0, this, [this] { close(); });
    }
    // The read before a block is written back has ended: on, after the exchange's handler.
    if (!busy && pendingWriteBack_) {
        const WriteBack writeBack = *std::exchange(pendingWriteBack_, std::nullopt);
        if (state == ControlState::IdleAfterSuccess)
            QTimer::singleShot(0, this, [this, writeBack] { ContinueWriteBack(writeBack); });
    }
}

void TMainForm::DisableWrite()
{
    WriteButton->setEnabled(false);
}

void TMainForm::ShowStatusText(const std::string& text)
{
    ShowStatus(text, false);
}

void TMainForm::ShowStatusWarning(const std::string& text)
{
    ShowStatus(text, !text.empty());
}

void TMainForm::ShowStatus(const std::string& text, bool warning)
{
    // A warning is drawn in the busy panel's maroon, so that it is not read as a success
    // text, and in the narrow face, which holds it whole in the bar.
    QPalette palette;
    if (warning)
        palette.setColor(QPalette::WindowText, QColor::fromRgb(TBusyPanel::kTextColor));
    StatusBar->setPalette(palette);
    StatusBar->setFont(warning ? NarrowFont(font()) : font());
    StatusBar->showMessage(QString::fromStdString(text));
}

Answer TMainForm::ShowMessage(const Message& message)
{
    if (closeAfterWrite_)
        return Answer::Cancel;  // nobody is left to answer: the write ends as it stands
    return options_.messageBox(this, message);
}

std::string TMainForm::PortCauseLine(const std::string& devicePath, const PortOpenFailure& failure)
{
    return PortCauseText(DiagnosePort(devicePath, failure, ThisUser()));
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (writing_) {
        closeAfterWrite_ = true;
        event->ignore();
        return;
    }
    TSkForm::closeEvent(event);
}

}  // namespace torv
