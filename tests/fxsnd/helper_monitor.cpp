#include "monitor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace testwav {

bool runTool(const QString &program, const QStringList &args, QByteArray *output, int timeoutMs)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

PrivateSink::~PrivateSink()
{
    unload();
}

bool PrivateSink::load(QString *why)
{
    if (!runTool(QStringLiteral("pactl"), {QStringLiteral("info")})) {
        *why = QStringLiteral("no PulseAudio server (start it with scripts/test-services.sh)");
        return false;
    }
    m_name = QStringLiteral("velmora_test_%1").arg(QCoreApplication::applicationPid());
    QByteArray out;
    if (!runTool(QStringLiteral("pactl"),
                 {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                  QStringLiteral("sink_name=") + m_name, QStringLiteral("rate=48000"),
                  QStringLiteral("norewinds=1")},
                 &out)) {
        *why = QStringLiteral("cannot load a null sink");
        return false;
    }
    m_module = QString::fromLatin1(out.trimmed());
    return true;
}

void PrivateSink::unload()
{
    if (m_module.isEmpty())
        return;
    runTool(QStringLiteral("pactl"), {QStringLiteral("unload-module"), m_module});
    m_module.clear();
}

MonitorRecorder::~MonitorRecorder()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

bool MonitorRecorder::start(const QString &sinkName, QString *why)
{
    m_process.start(QStringLiteral("parec"),
                    {QStringLiteral("-d"), sinkName + QStringLiteral(".monitor"), QStringLiteral("--raw"),
                     QStringLiteral("--format=s16le"), QStringLiteral("--rate=48000"),
                     QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=20")});
    if (!m_process.waitForStarted(3000)) {
        *why = QStringLiteral("parec does not start");
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (m_process.bytesAvailable() == 0 && clock.elapsed() < 3000)
        m_process.waitForReadyRead(100);
    if (m_process.bytesAvailable() == 0) {
        *why = QStringLiteral("parec records nothing");
        return false;
    }
    return true;
}

std::vector<float> MonitorRecorder::stop()
{
    // Let the last sound reach the recorder.
    QEventLoop loop;
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    loop.exec();
    m_process.terminate();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    const QByteArray raw = m_process.readAllStandardOutput();
    const qsizetype frames = raw.size() / 4;
    std::vector<float> left(static_cast<size_t>(frames));
    for (qsizetype i = 0; i < frames; ++i) {
        qint16 v;
        std::memcpy(&v, raw.constData() + 4 * i, 2);
        left[size_t(i)] = float(v) / 32768.0f;
    }
    return left;
}

std::vector<double> windowRms(const std::vector<float> &samples, int window)
{
    std::vector<double> rms;
    for (size_t start = 0; start + size_t(window) <= samples.size(); start += size_t(window)) {
        double sum = 0.0;
        for (size_t i = start; i < start + size_t(window); ++i)
            sum += double(samples[i]) * double(samples[i]);
        rms.push_back(std::sqrt(sum / window));
    }
    return rms;
}

std::pair<int, int> activeSpan(const std::vector<double> &rms, double threshold)
{
    int first = -1;
    int last = -1;
    for (int i = 0; i < int(rms.size()); ++i) {
        if (rms[size_t(i)] > threshold) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    return {first, last < 0 ? -1 : last + 1};
}

int longestQuietRun(const std::vector<double> &rms, int begin, int end, double threshold)
{
    int best = 0;
    int run = 0;
    for (int i = std::max(begin, 0); i < std::min(end, int(rms.size())); ++i) {
        run = rms[size_t(i)] <= threshold ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

int countAbove(const std::vector<double> &rms, double threshold)
{
    return int(std::count_if(rms.begin(), rms.end(), [&](double v) { return v > threshold; }));
}

double medianAbove(const std::vector<double> &rms, int begin, int end, double threshold)
{
    std::vector<double> values;
    for (int i = std::max(begin, 0); i < std::min(end, int(rms.size())); ++i) {
        if (rms[size_t(i)] > threshold)
            values.push_back(rms[size_t(i)]);
    }
    if (values.empty())
        return 0.0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

std::vector<std::pair<int, int>> segments(const std::vector<double> &rms, double threshold, int minGap)
{
    std::vector<std::pair<int, int>> runs;
    for (int i = 0; i < int(rms.size()); ++i) {
        if (rms[size_t(i)] <= threshold)
            continue;
        if (!runs.empty() && i - runs.back().second < minGap)
            runs.back().second = i + 1;
        else
            runs.push_back({i, i + 1});
    }
    return runs;
}

} // namespace testwav
