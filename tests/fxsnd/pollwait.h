#pragma once

// Waits for a clip the way the recitation sequencer does: reads position, then length, then
// status, and yields to the event loop with QEventLoop::WaitForMoreEvents between passes, so
// it only comes round when something (the control's own wake-up) wakes the thread.

#include "recitation/FXSnd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

namespace testwav {

struct PollResult {
    bool ended = false; // the loop saw the end (and did not time out)
    QString endStatus;  // status read at the pass that ended the loop
    qint32 endPosition = -1;
    qint32 endLength = -1;
    qint64 elapsedMs = 0;       // from the call until the end was seen
    std::vector<qint64> gapsMs; // time between successive passes
    bool positionWentBack = false;
    int wraps = 0;                          // times the position went back (a repeated clip)
    bool lengthReachedWhilePlaying = false; // position == length seen with a status other than "stopped"
};

// `onPass` may return false to leave the loop early (the result then has ended == false).
inline PollResult waitLikeSequencer(velmora::FXSnd &snd, int timeoutMs,
                                    const std::function<bool(qint64, qint32)> &onPass = {})
{
    PollResult r;
    // A watchdog so that a control that never wakes the loop fails the test instead of
    // hanging it: its wake-ups are far slower than the control's and show as long gaps.
    QTimer watchdog;
    watchdog.start(250);
    QElapsedTimer clock;
    clock.start();
    qint64 lastPass = 0;
    qint32 lastPosition = -1;
    while (clock.elapsed() < timeoutMs) {
        const qint64 now = clock.elapsed();
        if (lastPosition >= 0)
            r.gapsMs.push_back(now - lastPass);
        lastPass = now;
        const qint32 position = snd.position();
        const qint32 length = snd.length();
        const QString status = snd.status();
        if (lastPosition >= 0 && position < lastPosition) {
            r.positionWentBack = true;
            ++r.wraps;
        }
        lastPosition = position;
        if (position == length && status != QLatin1String("stopped"))
            r.lengthReachedWhilePlaying = true;
        if (status == QLatin1String("stopped") || status.isEmpty() || length == position) {
            r.ended = true;
            r.endStatus = status;
            r.endPosition = snd.position();
            r.endLength = snd.length();
            r.elapsedMs = clock.elapsed();
            return r;
        }
        if (onPass && !onPass(now, position))
            break;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    r.elapsedMs = clock.elapsed();
    return r;
}

// The median gap between passes. A loaded machine holds the process back now and then, and
// stretches every gap a little; a control that does not wake the loop every 20 ms shows in
// most gaps.
inline qint64 typicalGapMs(const PollResult &r)
{
    if (r.gapsMs.empty())
        return 0;
    std::vector<qint64> gaps = r.gapsMs;
    const size_t at = gaps.size() / 2;
    std::nth_element(gaps.begin(), gaps.begin() + qsizetype(at), gaps.end());
    return gaps[at];
}

// Runs the event loop for `ms` milliseconds.
inline void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace testwav
