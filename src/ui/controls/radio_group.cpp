#include "ui/controls/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace torv {

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, QWidget* parent) : QGroupBox(title, parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 2, 4, 4);
    layout->setSpacing(2);
    auto* group = new QButtonGroup(this);
    for (const QString& item : items) {
        auto* button = new QRadioButton(item, this);
        group->addButton(button);
        layout->addWidget(button);
        buttons_.append(button);
    }
}

int TRadioGroup::ItemIndex() const
{
    for (int i = 0; i < buttons_.size(); ++i)
        if (buttons_[i]->isChecked())
            return i;
    return -1;
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < buttons_.size())
        buttons_[index]->setChecked(true);
}

}  // namespace torv
