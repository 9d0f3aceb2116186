#pragma once

// What the tests hear: a private null output on the test PulseAudio server (so that other
// programs playing on the server's default output cannot disturb the measurement) and a
// recorder of its monitor through parec.

#include <QProcess>
#include <QString>
#include <vector>

namespace testwav {

// Runs a program and waits for it (at most `timeoutMs`); true when it exited with 0.
bool runTool(const QString &program, const QStringList &args, QByteArray *output = nullptr,
             int timeoutMs = 5000);

class PrivateSink {
public:
    ~PrivateSink();
    // Loads a null sink named after this process; false (with the reason) when the server
    // cannot be reached.
    bool load(QString *why);
    void unload();
    QString name() const { return m_name; }

private:
    QString m_name;
    QString m_module;
};

class MonitorRecorder {
public:
    static constexpr int Rate = 48000;

    ~MonitorRecorder();
    // Starts recording the sink's monitor and returns once sound data flows.
    bool start(const QString &sinkName, QString *why);
    // Stops and returns the left channel, in [-1, 1].
    std::vector<float> stop();

private:
    QProcess m_process;
};

// Root mean square of every whole window of `window` samples.
std::vector<double> windowRms(const std::vector<float> &samples, int window);

// The windows between the first and the last one above `threshold`: index of the first,
// index after the last (both -1 when none is).
std::pair<int, int> activeSpan(const std::vector<double> &rms, double threshold);
// The longest run of windows at or below `threshold` inside [begin, end).
int longestQuietRun(const std::vector<double> &rms, int begin, int end, double threshold);
// How many windows are above `threshold`.
int countAbove(const std::vector<double> &rms, double threshold);
// The median of the windows above `threshold` inside [begin, end).
double medianAbove(const std::vector<double> &rms, int begin, int end, double threshold);
// Runs of windows above `threshold`, runs closer than `minGap` windows joined: [begin, end).
std::vector<std::pair<int, int>> segments(const std::vector<double> &rms, double threshold, int minGap);

} // namespace testwav
