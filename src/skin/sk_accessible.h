#pragma once
// What screen readers and other assistive tools learn of the skinned controls, which
// paint themselves: the push button and the caption buttons are push buttons with a
// name and a press action, the skinned form a window named by its caption.

#include <QAccessibleWidget>

namespace torv {

class TSkButton;
class TSkSysBtn;

// Installs the interfaces' factory once; the skinned controls call it when made.
void InstallSkinAccessibility();

// The name a caption button goes by, as the window menu names its command.
QString SysBtnAccessibleName(const TSkSysBtn& button);

class TSkButtonAccessible : public QAccessibleWidget {
public:
    explicit TSkButtonAccessible(TSkButton* button);

    // The name is the caption, unless the widget was given one of its own.
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    TSkButton* Button() const;
};

class TSkSysBtnAccessible : public QAccessibleWidget {
public:
    explicit TSkSysBtnAccessible(TSkSysBtn* button);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    TSkSysBtn* Button() const;
};

}  // namespace torv
