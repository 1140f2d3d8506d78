#pragma once
// TReadoutPanel: a read-out of the info block, filled with the light 3-D colour,
// framed by one pixel of the button-text colour, its text centred.

#include <QWidget>

namespace torv {

class TReadoutPanel : public QWidget {
    Q_OBJECT

public:
    explicit TReadoutPanel(const QString& caption, QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};

}  // namespace torv
