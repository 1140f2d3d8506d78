#include "exchange/time_out.h"

namespace torv {

TTimeOut::TTimeOut(QObject* owner) : QTimer(owner)
{
    setTimerType(Qt::PreciseTimer);
}

TTimeOut::~TTimeOut()
{
    Stop();
}

void TTimeOut::Start(int intervalMs)
{
    if (isActive() && interval() == intervalMs)
        return;
    start(intervalMs);
}

void TTimeOut::Stop()
{
    stop();
}

}  // namespace torv
