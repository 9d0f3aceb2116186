#include "data/ConversionProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <csignal>

#include <sys/types.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace velmora::data {

namespace {

constexpr int kDefaultTimeLimitMs = 60 * 1000;
const QString kToolName = QStringLiteral("velmora-data");

QString g_tool;
int g_timeLimit = kDefaultTimeLimitMs;

// The child leads a process group of its own, so that it can be stopped together with the
// process it starts in turn; and it ends when this process ends.
void prepareChild()
{
    ::setpgid(0, 0);
#ifdef __linux__
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
}

void stopGroup(QProcess &process)
{
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    process.kill();
    process.waitForFinished(5000);
}

// The last lines of what the child wrote on its error output, without the program's name in
// front of each.
QString lastLines(const QByteArray &text)
{
    QStringList lines = QString::fromLocal8Bit(text).trimmed().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() > 5)
        lines = lines.mid(lines.size() - 5);
    const QString prefix = kToolName + QStringLiteral(": ");
    for (QString &line : lines) {
        if (line.startsWith(prefix))
            line.remove(0, prefix.size());
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString conversionTool()
{
    if (!g_tool.isEmpty())
        return g_tool;
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath();
    folders << QStringLiteral(VELMORA_INSTALL_BIN_DIR);
    for (const QString &folder : std::as_const(folders)) {
        const QFileInfo candidate(QDir(folder).filePath(kToolName));
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return {};
}

void setConversionTool(const QString &path)
{
    g_tool = path;
}

void setConversionTimeLimit(int ms)
{
    g_timeLimit = ms > 0 ? ms : kDefaultTimeLimitMs;
}

int conversionTimeLimit()
{
    return g_timeLimit;
}

QByteArray progressLine(qint64 done, qint64 total)
{
    return "progress " + QByteArray::number(done) + ' ' + QByteArray::number(total) + '\n';
}

bool parseProgressLine(const QByteArray &line, qint64 *done, qint64 *total)
{
    const QList<QByteArray> parts = line.trimmed().split(' ');
    if (parts.size() != 3 || parts[0] != "progress")
        return false;
    bool okDone = false, okTotal = false;
    *done = parts[1].toLongLong(&okDone);
    *total = parts[2].toLongLong(&okTotal);
    return okDone && okTotal;
}

ConversionOutcome convertInChildProcess(const QString &mdbPath, const QString &file,
                                        const ImportProgress &progress, QString *error)
{
    const auto failWith = [error](ConversionOutcome outcome, const QString &message) {
        if (error)
            *error = message;
        return outcome;
    };
    const QString tool = conversionTool();
    if (tool.isEmpty())
        return failWith(ConversionOutcome::ToolMissing,
                        QStringLiteral("Program za pretvaranje %1 nije ni u %2 ni u %3.")
                            .arg(kToolName,
                                 QDir::toNativeSeparators(QCoreApplication::instance()
                                                              ? QCoreApplication::applicationDirPath()
                                                              : QString()),
                                 QDir::toNativeSeparators(QStringLiteral(VELMORA_INSTALL_BIN_DIR))));

    QProcess process;
    process.setProgram(tool);
    process.setArguments({QStringLiteral("import-mdb"), QStringLiteral("--progress"),
                          QStringLiteral("--into"), file, mdbPath});
    process.setChildProcessModifier(prepareChild);

    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    silence.setInterval(conversionTimeLimit());
    bool timedOut = false;
    QByteArray pending;
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, [&] {
        silence.start();
        pending += process.readAllStandardOutput();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            qint64 done = 0, total = 0;
            if (progress && parseProgressLine(line, &done, &total))
                progress(done, total);
        }
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            loop.quit();
    });
    QObject::connect(&silence, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });

    process.start();
    silence.start();
    if (process.state() != QProcess::NotRunning)
        loop.exec(progress ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);

    if (timedOut) {
        stopGroup(process);
        return failWith(
            ConversionOutcome::TimedOut,
            QStringLiteral("Pretvaranje datoteke %1 nije napredovalo %2 sekundi pa je zaustavljeno.")
                .arg(QDir::toNativeSeparators(mdbPath))
                .arg(conversionTimeLimit() / 1000.0));
    }
    if (process.error() == QProcess::FailedToStart)
        return failWith(ConversionOutcome::ToolMissing,
                        QStringLiteral("Program za pretvaranje %1 ne može se pokrenuti.")
                            .arg(QDir::toNativeSeparators(tool)));
    const QString told = lastLines(process.readAllStandardError());
    if (process.exitStatus() == QProcess::CrashExit)
        return failWith(ConversionOutcome::Crashed,
                        QStringLiteral("Program za pretvaranje se srušio pri pretvaranju datoteke %1.%2")
                            .arg(QDir::toNativeSeparators(mdbPath),
                                 told.isEmpty() ? QString() : QLatin1Char('\n') + told));
    switch (process.exitCode()) {
    case kImportExitDone:
        return failWith(ConversionOutcome::Done, QString());
    case kImportExitSource:
        return failWith(ConversionOutcome::Damaged, told);
    default:
        return failWith(
            ConversionOutcome::StoreFailed,
            told.isEmpty()
                ? QStringLiteral("Program za pretvaranje završio je s kodom %1.").arg(process.exitCode())
                : told);
    }
}

} // namespace velmora::data
