#pragma once
// TRadioGroup: a titled group of mutually exclusive choices, addressed by index.

#include <QGroupBox>
#include <QList>

class QRadioButton;

namespace torv {

class TRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    TRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const;
    void SetItemIndex(int index);

private:
    QList<QRadioButton*> buttons_;
};

}  // namespace torv
