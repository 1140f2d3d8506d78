#pragma once
// TTimeOut: the one-shot response timer. Created stopped; Start arms it for one full
// interval, unless it is already armed with the same interval, in which case the
// running countdown goes on unchanged.

#include <QTimer>

namespace torv {

class TTimeOut : public QTimer {
public:
    explicit TTimeOut(QObject* owner = nullptr);
    ~TTimeOut() override;

    void Start(int intervalMs);
    void Stop();
};

}  // namespace torv
