#include "ui/controls/accessible_controls.h"

#include <QLabel>

#include <functional>
#include <mutex>
#include <utility>

#include "ui/controls/busy_indicator.h"
#include "ui/controls/drop_combo.h"
#include "ui/controls/readout_panel.h"
#include "ui/controls/spin_edit.h"

namespace torv {
namespace {

// The name a reader says for the up/down button of a frequency field.
constexpr const char* kSpinButtonName = "Больше / меньше";

// A control that shows a text of its own: the text is its name, unless it was given one.
class TTextAccessible : public QAccessibleWidget {
public:
    TTextAccessible(QWidget* widget, QAccessible::Role role, std::function<QString()> shown)
        : QAccessibleWidget(widget, role), shown_(std::move(shown))
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && !widget()->accessibleName().isEmpty())
            return widget()->accessibleName() + QLatin1Char(' ') + shown_();
        if (t == QAccessible::Name || t == QAccessible::Value)
            return shown_();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.busy = role() == QAccessible::ProgressBar && widget()->isVisible();
        return state;
    }

private:
    std::function<QString()> shown_;
};

QAccessibleInterface* ControlInterface(const QString& /*className*/, QObject* object)
{
    if (auto* combo = qobject_cast<TCustomDropCombo*>(object))
        return new TDropComboAccessible(combo);
    if (auto* button = qobject_cast<TSpinButton*>(object))
        return new TSpinButtonAccessible(button);
    if (auto* list = qobject_cast<TDropListBox*>(object))
        return new QAccessibleWidget(list, QAccessible::List);
    if (auto* panel = qobject_cast<TBusyPanel*>(object))
        return new TTextAccessible(panel, QAccessible::ProgressBar, [panel] { return panel->Label()->text(); });
    if (auto* bar = qobject_cast<TGifAnimator*>(object)) {
        return new TTextAccessible(bar, QAccessible::Animation, [bar] {
            const auto* panel = qobject_cast<const TBusyPanel*>(bar->parentWidget());
            return panel ? panel->Label()->text() : QString();
        });
    }
    if (auto* readout = qobject_cast<TReadoutPanel*>(object))
        return new TTextAccessible(readout, QAccessible::StaticText, [readout] { return readout->Caption(); });
    return nullptr;
}

TCustomDropCombo* Combo(const QAccessibleWidget& combo)
{
    return static_cast<TCustomDropCombo*>(combo.object());
}

TSpinButton* SpinButton(const QAccessibleWidget& button)
{
    return static_cast<TSpinButton*>(button.object());
}

}  // namespace

void InstallAccessibleControls()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(ControlInterface); });
}

TDropComboAccessible::TDropComboAccessible(QWidget* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

QString TDropComboAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return Combo(*this)->Text();
    return QAccessibleWidget::text(t);
}

QAccessible::State TDropComboAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;  // chosen from the list, never typed
    state.expandable = true;
    state.expanded = Combo(*this)->DroppedDown();
    state.collapsed = !state.expanded;
    return state;
}

QStringList TDropComboAccessible::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (widget()->isEnabled())
        names = QStringList{showMenuAction(), pressAction()} + names;
    return names;
}

void TDropComboAccessible::doAction(const QString& actionName)
{
    if (actionName == showMenuAction() || actionName == pressAction()) {
        if (Combo(*this)->DroppedDown())
            Combo(*this)->CloseUp(false);
        else
            Combo(*this)->DropDown();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

TSpinButtonAccessible::TSpinButtonAccessible(QWidget* button) : QAccessibleWidget(button, QAccessible::SpinBox) {}

QString TSpinButtonAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return QString::fromUtf8(kSpinButtonName);
    return QAccessibleWidget::text(t);
}

QStringList TSpinButtonAccessible::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (widget()->isEnabled())
        names = QStringList{increaseAction(), decreaseAction()} + names;
    return names;
}

void TSpinButtonAccessible::doAction(const QString& actionName)
{
    if (!widget()->isEnabled())
        return;
    if (actionName == increaseAction())
        emit SpinButton(*this)->OnTopClick();
    else if (actionName == decreaseAction())
        emit SpinButton(*this)->OnBottomClick();
    else
        QAccessibleWidget::doAction(actionName);
}

}  // namespace torv
