#include "batch_run.h"

#include "batch/gpx_command.h"
#include "common/console_lines.h"
#include "configuration/configuration_check.h"
#include "link/operation.h"
#include "session/unit_session.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {
// Parts of one line on standard error, written at once.
void writeErrorPart(const QString &text)
{
    std::fputs(ConsoleLines::printable(text).chopped(1).constData(), stderr);
    std::fflush(stderr);
}
} // namespace

BatchRun::BatchRun(UnitSession &session, Options options, QObject *parent)
    : QObject(parent), m_session(session), m_options(std::move(options))
{
    m_session.setPortIndex(m_options.portNumber - 1);
    applyPassword();

    m_connectLimit.setSingleShot(true);
    connect(&m_connectLimit, &QTimer::timeout, this, [this] {
        if (m_waking) {
            m_timedOut = true;
            m_session.requestAbort();
        }
    });
    m_dots.setInterval(1000);
    connect(&m_dots, &QTimer::timeout, this, [] { writeErrorPart(QStringLiteral(".")); });
    connect(&m_session, &UnitSession::finished, this, &BatchRun::operationEnded);
    connect(&m_session, &UnitSession::statusChanged, this, [this](StatusItem item, bool visible) {
        if (item == StatusItem::Connecting)
            showWaking(visible);
    });
}

void BatchRun::start(const QList<BatchStep> &steps)
{
    m_steps = steps;
    m_nextStep = 0;
    QMetaObject::invokeMethod(this, &BatchRun::nextStep, Qt::QueuedConnection);
}

void BatchRun::nextStep()
{
    if (m_stopRequested) {
        stepEnded(BatchStatus::Stopped);
        return;
    }
    if (m_nextStep >= m_steps.size()) {
        emit finished(BatchStatus::Success);
        return;
    }
    runStep(m_steps.at(m_nextStep++));
}

void BatchRun::stepEnded(BatchStatus status)
{
    if (m_stopRequested)
        status = BatchStatus::Stopped;
    if (status == BatchStatus::Success) {
        // From the event loop: a step that ends at once does not nest the next one in it.
        QMetaObject::invokeMethod(this, &BatchRun::nextStep, Qt::QueuedConnection);
        return;
    }
    if (status == BatchStatus::Stopped)
        ConsoleLines::writeError(QStringLiteral("Stopped by a signal; no further step runs."));
    emit finished(status);
}

void BatchRun::runStep(const BatchStep &step)
{
    BatchStatus status = BatchStatus::Success;
    switch (step.kind) {
    case BatchStep::Kind::DownloadConfiguration:
        status = loadConfiguration(step.file);
        if (status == BatchStatus::Success)
            return operate(Operation::downloadConfiguration);
        break;
    case BatchStep::Kind::UploadConfiguration:
        return operate(Operation::uploadConfiguration, [this, file = step.file](BatchStatus ended) {
            return ended == BatchStatus::Success ? fileEnded(m_session.configuration().save(file))
                                                 : ended;
        });
    case BatchStep::Kind::UploadPositions:
        return operate(Operation::uploadLocations,
                       [this](BatchStatus ended) { return reportPositionLog(ended); });
    case BatchStep::Kind::DownloadTable:
        status = loadTable(step.file);
        if (status == BatchStatus::Success)
            return operate(Operation::downloadLocationTable);
        break;
    case BatchStep::Kind::UploadTable:
        return operate(Operation::uploadLocationTable, [this, file = step.file](BatchStatus ended) {
            return ended == BatchStatus::Success ? fileEnded(m_session.table().save(file)) : ended;
        });
    case BatchStep::Kind::Check:
        status = loadConfiguration(step.file);
        if (status == BatchStatus::Success)
            status = check();
        break;
    }
    stepEnded(status);
}

BatchStatus BatchRun::loadConfiguration(const QString &path)
{
    const BatchStatus status = fileEnded(m_session.configuration().load(path));
    applyPassword();
    return status;
}

BatchStatus BatchRun::loadTable(const QString &path)
{
    return fileEnded(m_session.table().load(path));
}

BatchStatus BatchRun::fileEnded(const FileOutcome &outcome)
{
    if (outcome.message)
        BatchMessages::print(*outcome.message, !outcome.succeeded);
    return outcome.succeeded ? BatchStatus::Success : BatchStatus::FileError;
}

// "Click here to Check if configuration is valid": every failed test is one line.
BatchStatus BatchRun::check()
{
    const ConfigurationCheckResult result = checkConfiguration(m_session.configuration().record());
    for (const UserMessage &message : checkMessages(result))
        BatchMessages::print(message, !result.valid());
    return result.valid() ? BatchStatus::Success : BatchStatus::InvalidConfiguration;
}

void BatchRun::operate(int operationCode, std::function<BatchStatus(BatchStatus)> then)
{
    m_timedOut = false;
    m_afterOperation = std::move(then);
    if (m_options.connectTimeoutSeconds > 0)
        m_connectLimit.start(m_options.connectTimeoutSeconds * 1000);
    m_session.start(operationCode);
}

void BatchRun::operationEnded(const OperationOutcome &outcome)
{
    m_connectLimit.stop();
    showWaking(false);

    BatchStatus status = statusOf(outcome);
    if (outcome.message)
        BatchMessages::print(*outcome.message, status != BatchStatus::Success);
    if (status == BatchStatus::NoAnswer)
        ConsoleLines::writeError(QStringLiteral("The unit did not answer within %1 s.")
                                     .arg(m_options.connectTimeoutSeconds));
    if (const auto then = std::exchange(m_afterOperation, {}))
        status = then(status);
    stepEnded(status);
}

BatchStatus BatchRun::statusOf(const OperationOutcome &outcome) const
{
    using Result = OperationOutcome::Result;
    switch (outcome.result) {
    case Result::Success:
        return BatchStatus::Success;
    case Result::Refused:
        return BatchStatus::InvalidConfiguration;
    case Result::PortNotAvailable:
        return BatchStatus::PortNotAvailable;
    case Result::InvalidPassword:
        return BatchStatus::InvalidPassword;
    case Result::Failed:
        return BatchStatus::TransferFailed;
    case Result::Aborted:
        return m_timedOut ? BatchStatus::NoAnswer : BatchStatus::Failure;
    case Result::Exited:
        return BatchStatus::Stopped;
    case Result::PortLost:
        return BatchStatus::PortLost;
    }
    return BatchStatus::Failure;
}

// The CSV file keeps the positions read, after a failure too: its name is printed either way.
BatchStatus BatchRun::reportPositionLog(BatchStatus status)
{
    const QString file = m_session.positionLogFile();
    if (!file.isEmpty() && QFileInfo::exists(file) &&
        (status == BatchStatus::Success || status == BatchStatus::TransferFailed ||
         status == BatchStatus::PortLost)) {
        ConsoleLines::write(QDir::toNativeSeparators(file));
        // The track of the records received, after a failed upload too (none for no record).
        if (m_options.gpxTrack && QFileInfo(file).size() > 0) {
            const auto track = GpxTrack::convert(file, GpxTrack::besideName(file));
            if (status == BatchStatus::Success)
                status = batchStatusOf(track);
        }
    }
    return status;
}

void BatchRun::applyPassword()
{
    if (!m_options.password)
        return;
    ConfigurationRecord record = m_session.configuration().record();
    record.existingPassword = *m_options.password;
    m_session.configuration().setRecord(record);
}

void BatchRun::showWaking(bool waking)
{
    if (waking == m_waking)
        return;
    m_waking = waking;
    if (waking) {
        const int number = m_session.portIndex() + 1;
        writeErrorPart(QStringLiteral("Waking the unit on COM%1 (%2)")
                           .arg(number)
                           .arg(m_session.port().deviceName(number)));
        m_dots.start();
    } else {
        m_dots.stop();
        std::fputs("\n", stderr);
        std::fflush(stderr);
    }
}

void BatchRun::requestStop()
{
    m_stopRequested = true;
    // As EXIT during a run: it ends at once and closes the port.
    if (m_session.isRunning())
        m_session.requestExit();
}
