#pragma once
// What screen readers and other assistive tools learn of the window's own controls that
// paint themselves or stand for more than Qt's widget under them: the port list is a
// combo box, the frequency field's up/down button a spin box with its two steps, the
// busy indicator a progress bar that is busy while shown, the read-outs static texts.

#include <QAccessibleWidget>

namespace torv {

// Installs the interfaces' factory once; the controls call it when made.
void InstallAccessibleControls();

// TCustomDropCombo: a combo box whose value is the chosen item; press or show-menu
// opens the list.
class TDropComboAccessible : public QAccessibleWidget {
public:
    explicit TDropComboAccessible(QWidget* combo);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
};

// TSpinButton: increase and decrease act as its top and bottom halves.
class TSpinButtonAccessible : public QAccessibleWidget {
public:
    explicit TSpinButtonAccessible(QWidget* button);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
};

}  // namespace torv
