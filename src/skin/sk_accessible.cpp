#include "skin/sk_accessible.h"

#include <mutex>

#include "skin/sk_button.h"
#include "skin/sk_form.h"
#include "skin/sk_sys_btn.h"

namespace torv {
namespace {

QAccessibleInterface* SkinInterface(const QString& /*className*/, QObject* object)
{
    if (auto* button = qobject_cast<TSkButton*>(object))
        return new TSkButtonAccessible(button);
    if (auto* button = qobject_cast<TSkSysBtn*>(object))
        return new TSkSysBtnAccessible(button);
    if (auto* form = qobject_cast<TSkForm*>(object))
        return new QAccessibleWidget(form, QAccessible::Window);
    return nullptr;
}

}  // namespace

void InstallSkinAccessibility()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(SkinInterface); });
}

QString SysBtnAccessibleName(const TSkSysBtn& button)
{
    switch (button.Designation()) {
    case TDesignation::dClose: return QStringLiteral("Закрыть");
    case TDesignation::dMaximize: return QStringLiteral("Развернуть");
    case TDesignation::dMinimize: return QStringLiteral("Свернуть");
    case TDesignation::dHelp: return QStringLiteral("Подсказка");
    case TDesignation::dRestore: return QStringLiteral("Восстановить");
    case TDesignation::dNone: break;
    }
    return {};
}

TSkButtonAccessible::TSkButtonAccessible(TSkButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

TSkButton* TSkButtonAccessible::Button() const
{
    return static_cast<TSkButton*>(widget());
}

QString TSkButtonAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return Button()->Caption();
    return QAccessibleWidget::text(t);
}

QAccessible::State TSkButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    if (Button()->Style() == TBtnUpDownStyle::bNormal) {
        state.pressed = Button()->Down();
    } else {
        state.checkable = true;
        state.checked = Button()->Down();
    }
    return state;
}

QStringList TSkButtonAccessible::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (widget()->isEnabled())
        names.prepend(pressAction());
    return names;
}

void TSkButtonAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction())
        Button()->Click();
    else
        QAccessibleWidget::doAction(actionName);
}

TSkSysBtnAccessible::TSkSysBtnAccessible(TSkSysBtn* button) : QAccessibleWidget(button, QAccessible::Button) {}

TSkSysBtn* TSkSysBtnAccessible::Button() const
{
    return static_cast<TSkSysBtn*>(widget());
}

QString TSkSysBtnAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return SysBtnAccessibleName(*Button());
    return QAccessibleWidget::text(t);
}

QAccessible::State TSkSysBtnAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.pressed = Button()->Pressed();
    state.hotTracked = Button()->Hot();
    if (!Button()->OwnEnabled())
        state.disabled = true;
    return state;
}

QStringList TSkSysBtnAccessible::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (widget()->isEnabled() && Button()->OwnEnabled())
        names.prepend(pressAction());
    return names;
}

void TSkSysBtnAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction())
        Button()->Click();
    else
        QAccessibleWidget::doAction(actionName);
}

}  // namespace torv
