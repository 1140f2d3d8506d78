// What a screen reader finds in the window: every control named, with its role and
// actions, reached by walking the accessibility tree from the window down.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>

#include <iostream>
#include <map>

#include "main_form_fixture.h"
#include "skin/sk_sys_btn.h"
#include "ui/controls/busy_indicator.h"
#include "ui/controls/drop_combo.h"
#include "ui/controls/radio_group.h"
#include "ui/controls/readout_panel.h"
#include "ui/controls/spin_edit.h"
#include "ui/ui_texts.h"

namespace torv {
namespace {

struct Found {
    QAccessible::Role role;
    QString name;
};

// Every interface below the window, by the widget it stands for.
void Walk(QAccessibleInterface* node, std::map<QObject*, Found>& found, std::size_t depth = 0)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        ASSERT_NE(child, nullptr);
        found[child->object()] = {child->role(), child->text(QAccessible::Name)};
        std::cout << std::string(2 * depth + 2, ' ') << qPrintable(qAccessibleRoleString(child->role())) << " \""
                  << child->text(QAccessible::Name).toStdString() << "\"\n";
        Walk(child, found, depth + 1);
    }
}

QStringList Actions(QObject* object)
{
    QAccessibleInterface* control = QAccessible::queryAccessibleInterface(object);
    return control && control->actionInterface() ? control->actionInterface()->actionNames() : QStringList{};
}

void Act(QObject* object, const QString& action)
{
    QAccessible::queryAccessibleInterface(object)->actionInterface()->doAction(action);
}

}  // namespace

TEST_F(MainFormTest, EveryControlHasANameAndARole)
{
    Create(Contents(13, {SynthMode::Grid, 146.0125, 150.0, false}), true);
    ASSERT_TRUE(Read());
    ui.InfoPanel->show();  // the busy indicator, as during an exchange
    form->show();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), QString::fromUtf8(ui_texts::kWindowCaption));

    std::map<QObject*, Found> found;
    std::cout << qPrintable(qAccessibleRoleString(window->role())) << " \""
              << window->text(QAccessible::Name).toStdString() << "\"\n";
    Walk(window, found);

    const auto radios = ui.RGroupStepFreq->findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 2);
    const std::vector<std::tuple<QObject*, QAccessible::Role, QString>> expected = {
        {ui.ReadButton, QAccessible::Button, "Считать"},
        {ui.WriteButton, QAccessible::Button, "Записать"},
        {ui.CloseButton, QAccessible::Button, "Выход"},
        {ui.SkMinBtn, QAccessible::Button, "Свернуть"},
        {ui.SkClsBtn, QAccessible::Button, "Закрыть"},
        {ui.SpinEdit1, QAccessible::EditableText, "Первая частота, МГц"},
        {ui.SpinEdit2, QAccessible::EditableText, "Вторая частота, МГц"},
        {ui.SpinEdit1->findChild<TSpinButton*>(), QAccessible::SpinBox, "Больше / меньше"},
        {ui.CommComboBox, QAccessible::ComboBox, "COM-порт"},
        {ui.CheckBox, QAccessible::CheckBox, "Разрешить вторую частоту"},
        {ui.RGroupStepFreq, QAccessible::Grouping, "Шаг сетки частот:"},
        {radios[0], QAccessible::RadioButton, "12,5 КГц"},
        {radios[1], QAccessible::RadioButton, "25 КГц"},
        {ui.InfoPanel, QAccessible::ProgressBar, "Подождите минуточку ..."},
        {ui.InfoPanel->Progress(), QAccessible::Animation, "Подождите минуточку ..."},
        {ui.PnlDate, QAccessible::StaticText, "Дата выпуска: " + ui.PnlDate->Caption()},
        {ui.PnlSeria, QAccessible::StaticText, "Серийный  №: " + ui.PnlSeria->Caption()},
        {ui.PnlVersia, QAccessible::StaticText, "Версия ТОРВ: " + ui.PnlVersia->Caption()},
        {ui.StatusBar, QAccessible::StatusBar, "Строка состояния"},
    };
    for (const auto& [control, role, name] : expected) {
        ASSERT_NE(control, nullptr);
        ASSERT_TRUE(found.contains(control)) << control->metaObject()->className() << " is not in the tree";
        EXPECT_EQ(found[control].role, role) << name.toStdString();
        EXPECT_EQ(found[control].name, name) << control->metaObject()->className();
    }
    // Nothing the window shows goes without a name.
    for (const auto& [object, control] : found) {
        const auto* widget = qobject_cast<const QWidget*>(object);
        if (widget && widget->isVisible()) {
            EXPECT_FALSE(control.name.trimmed().isEmpty())
                << object->metaObject()->className() << " " << qPrintable(qAccessibleRoleString(control.role));
        }
    }
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(ui.InfoPanel)->state().busy);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(ui.CommComboBox)->state().readOnly);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(ui.CommComboBox)->text(QAccessible::Value),
              ui.CommComboBox->Text());
}

TEST_F(MainFormTest, AssistiveActionsDoWhatTheMouseDoes)
{
    Create(Contents(13, {SynthMode::Legacy, 146.0, 150.0, false}));
    form->show();
    QSignalSpy read(ui.ReadButton, &TSkButton::OnClick);
    ASSERT_TRUE(Actions(ui.ReadButton).contains(QAccessibleActionInterface::pressAction()));
    Act(ui.ReadButton, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(read.count(), 1);
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(ui.ReadButton->Down());
    // A disabled button offers no press, and a press does nothing.
    ui.ReadButton->setEnabled(false);
    EXPECT_FALSE(Actions(ui.ReadButton).contains(QAccessibleActionInterface::pressAction()));
    Act(ui.ReadButton, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(read.count(), 1);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(ui.ReadButton)->state().disabled);
    ui.ReadButton->setEnabled(true);

    const QString before = ui.SpinEdit1->text();
    QObject* spin = ui.SpinEdit1->findChild<TSpinButton*>();
    Act(spin, QAccessibleActionInterface::increaseAction());
    EXPECT_NE(ui.SpinEdit1->text(), before);
    Act(spin, QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(ui.SpinEdit1->text(), before);

    Act(ui.CommComboBox, QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(ui.CommComboBox->DroppedDown());
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(ui.CommComboBox->ListBox());
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), "COM-порт");
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(ui.CommComboBox)->state().expanded);
    Act(ui.CommComboBox, QAccessibleActionInterface::showMenuAction());
    EXPECT_FALSE(ui.CommComboBox->DroppedDown());

    QSignalSpy minimize(ui.SkMinBtn, &TSkSysBtn::OnClick);
    Act(ui.SkMinBtn, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(minimize.count(), 1);
}

TEST_F(MainFormTest, TabReachesTheFieldsAndNeverTheButtons)
{
    Create(Contents(13, {SynthMode::Grid, 146.0125, 150.0, false}), true);
    ASSERT_TRUE(Read());
    ui.CheckBox->setChecked(true);
    form->CheckBoxClick(ui.CheckBox);
    form->show();
    std::vector<QWidget*> order;
    QWidget* widget = ui.CommComboBox;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(form.get()) && widget->isEnabled())
            order.push_back(widget);
        widget = widget->nextInFocusChain();
    } while (widget != ui.CommComboBox);
    const std::vector<QWidget*> expected = {ui.CommComboBox, ui.CheckBox, ui.SpinEdit1, ui.SpinEdit2};
    ASSERT_GE(order.size(), expected.size() + 1);
    EXPECT_EQ(std::vector<QWidget*>(order.begin(), order.begin() + 4), expected);
    // The grid-step group comes next, through one of its choices; no skinned button is a stop.
    EXPECT_EQ(order[4]->parentWidget(), ui.RGroupStepFreq);
    for (QWidget* stop : order)
        EXPECT_EQ(qobject_cast<TSkButton*>(stop), nullptr);
}

}  // namespace torv
