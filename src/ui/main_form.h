#pragma once
// TMainForm: the programmer's only window. It holds the serial port, the exchange with
// the adapter (and through it the info and parameter blocks), and every control through
// which the operator picks a port, reads a transmitter, edits its one or two
// frequencies and writes them back.

#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exchange/programming_exchange.h"
#include "exchange/sio_exchange_port.h"
#include "serial/sio_comm.h"
#include "skin/sk_form.h"
#include "ui/message_box.h"
#include "ui/shell/app_hot_key.h"
#include "ui/window_journal.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QStatusBar;

namespace torv {

class TBusyPanel;
class TDoubleSpinEdit;
class TDropCombo;
class TRadioGroup;
class TReadoutPanel;
class TSkButton;
class TSkSysBtn;

struct MainFormOptions {
    // The "-enablegridedit" option: the grid step can be chosen and is never forced.
    bool gridEditEnabled = false;
    // Devices to offer before the system's ports (--port, the demo line), as paths or
    // as names relative to /dev; a device under /dev is shown by its name there.
    QStringList extraPorts;
    // The extra port that is the built-in emulated adapter (--demo): listed as «Демо»,
    // its runs marked in the journal, never remembered as the last good port.
    QString demoPort;
    // Where the system's serial ports are listed.
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
    MessageBoxFunction messageBox = ShowMessageBox;
    // The journal's file; empty: nothing is recorded.
    std::string journalPath;
    // Where the global hot keys are registered; nothing: the desktop's own.
    THotKeyBackEnd* hotKeyBackEnd = nullptr;
    // The "--local-keys" option: Ctrl+R and Ctrl+W act only while the window is active.
    bool localHotKeys = false;
    // The serial port the window drives; nothing: a port of its own. The window sets a port
    // given here up and handles its events, as its own; the port must outlive the window.
    TSioComm* port = nullptr;
};

class TMainForm : public TSkForm, private ExchangeHost {
    Q_OBJECT

public:
    explicit TMainForm(MainFormOptions options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // False when there was no port to offer: the program ends without showing the window.
    bool Created() const { return created_; }

    void SetShowStatusMessages(bool show);

    // Handlers.
    void ReadButtonClick(QObject* sender);
    void WriteButtonClick(QObject* sender);
    void CloseButtonClick(QObject* sender);
    void CheckBoxClick(QObject* sender);
    void CommComboBoxChange(QObject* sender);
    void SpinEditKeyPress(QObject* sender, QChar& key);

    // Window operations the exchange relies on.
    void ShowDeviceInfo() override;
    void ShowParameters() override;
    void AbortToIdle();

    ProgrammingExchange& Exchange() { return exchange_; }
    bool GridMode() const { return gridMode_; }

    // The history dialog's handler and the undo item's: both write a journaled block back.
    void JournalItemClick(QObject* sender);
    void RestoreItemClick(QObject* sender);

protected:
    // While a block is on its way into the transmitter or being verified, the window closes
    // only once the write has ended; prompts are then answered Cancel without being shown.
    void closeEvent(QCloseEvent* event) override;

private:
    THotKeyBackEnd& HotKeyBackEnd();
    void CreateControls();
    // Gives the controls, the window menu's items and the hot keys their names as object names.
    void NameObjects();
    void RegisterHotKeys();
    void FormCreate();
    void ReadPortList();
    void SetOuterWidth(int width);
    void SetFrequencyBounds(double minMHz, double maxMHz);
    void ShowFrequency(TDoubleSpinEdit* field, const std::optional<double>& hz);
    // True when the field's text was no number and has been replaced by its minimum.
    static bool CorrectUnreadable(TDoubleSpinEdit* field);
    QString DecimalSeparator() const;
    // A status text, or a warning in the warning's colour and face.
    void ShowStatus(const std::string& text, bool warning);
    // Shows a write check's refusal and records it.
    void RefuseWrite(const Message& refusal, const std::string& operation = "write");
    // Sends a checked block: busy, the journal's row, the exchange.
    void StartCheckedWrite(const ParameterBlock& block, const std::string& operation);
    // The device the chosen item of the port list opens.
    std::string ChosenPortPath() const;
    bool DemoPortChosen() const;

    // Writing a journaled block back: the unit is read again, it must be the row's unit,
    // the block passes the window's checks, the operator confirms the change.
    struct WriteBack {
        std::string serial;
        ParameterBlock block{};
    };
    void CreateWindowMenuItems();
    // The journal's rows of the unit last read; nothing (after a message) when there are none to show.
    std::optional<std::vector<JournalEntry>> UnitRows();
    void StartWriteBack(const WriteBack& writeBack);
    void ContinueWriteBack(const WriteBack& writeBack);

    // ExchangeHost
    void SetControlState(ControlState state) override;
    void DisableWrite() override;
    void ShowStatusText(const std::string& text) override;
    void ShowStatusWarning(const std::string& text) override;
    Answer ShowMessage(const Message& message) override;
    std::string PortCauseLine(const std::string& devicePath, const PortOpenFailure& failure) override;

    // Members are destroyed in the reverse of their order here, and the order matters: the
    // journal goes before the exchange it records, the exchange (shut down by the destructor
    // already) before the line and the port it drives, the hot keys before the back end they
    // are registered with. The controls are the window's children and go with it, last.
    MainFormOptions options_;
    // With the "--local-keys" option the hot keys' back end is the window's own.
    TWindowHotKeyBackEnd windowHotKeys_{this};
    // Ctrl+R and Ctrl+W, system-wide where the desktop allows it.
    TAppHotKey ReadHotKey{HotKeyBackEnd(), this};
    TAppHotKey WriteHotKey{HotKeyBackEnd(), this};
    bool created_ = false;
    bool gridMode_ = false;
    bool writing_ = false;          // from the write's start until the exchange comes to rest
    bool closeAfterWrite_ = false;  // a close came while writing
    QStringList portPaths_;
    std::optional<WriteBack> pendingWriteBack_;  // waiting for its read
    bool unitRead_ = false;                      // an info block has been read
    std::unique_ptr<TSioComm> ownPort_ = options_.port ? nullptr : std::make_unique<TSioComm>();
    TSioComm& port_ = options_.port ? *options_.port : *ownPort_;
    SioExchangePort line_{port_};
    JournalingHost journalNotes_{*this};
    ProgrammingExchange exchange_{journalNotes_, line_};
    TWindowJournal journal_;

    // The controls, made by CreateControls. Each one's object name is its name here (as the
    // hot keys' and the menu items' are), by which tests find it.
    TReadoutPanel* PnlDate = nullptr;
    TReadoutPanel* PnlSeria = nullptr;
    TReadoutPanel* PnlVersia = nullptr;
    QGroupBox* ParamGroupBox = nullptr;
    QCheckBox* CheckBox = nullptr;
    QLabel* Label2 = nullptr;
    TDoubleSpinEdit* SpinEdit1 = nullptr;
    TDoubleSpinEdit* SpinEdit2 = nullptr;
    TDropCombo* CommComboBox = nullptr;
    TSkButton* ReadButton = nullptr;
    TSkButton* WriteButton = nullptr;
    TSkButton* CloseButton = nullptr;
    TBusyPanel* InfoPanel = nullptr;
    QStatusBar* StatusBar = nullptr;
    TRadioGroup* RGroupStepFreq = nullptr;
    TSkSysBtn* SkMinBtn = nullptr;
    TSkSysBtn* SkClsBtn = nullptr;
    // The window menu's own items: the history of the unit last read, and its frequencies
    // before the last verified write brought back.
    QAction* JournalItem = nullptr;
    QAction* RestoreItem = nullptr;
};

}  // namespace torv
