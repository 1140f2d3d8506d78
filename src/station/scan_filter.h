#pragma once
// Label scans from a keyboard-wedge barcode scanner, whatever control has the focus: such
// a scanner types the label's digits with at most about 50 ms between keys and ends them
// with Enter. Digits are held back while they may be a scan; when the next key is late or
// is not a digit or Enter, they are handed on to where they were typed, so that a person's
// typing is not lost.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <vector>

class QKeyEvent;

namespace torv::station {

class ScanFilter : public QObject {
    Q_OBJECT

public:
    static constexpr int kLongestGapMs = 50;
    static constexpr int kShortestScan = 4;  // digits; fewer are a person's typing

    // Installed on the application: every key press passes by it.
    explicit ScanFilter(QObject* parent = nullptr);
    ~ScanFilter() override;

signals:
    void Scanned(const QString& digits);

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    struct HeldKey {
        QPointer<QObject> receiver;
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };
    // Hands the digits held back to where they were typed.
    void Release();

    std::vector<HeldKey> held_;
    QElapsedTimer sinceLastKey_;
    QTimer gap_;
    bool releasing_ = false;
};

}  // namespace torv::station
