#include "batch_run.h"

#include "common/console_lines.h"
#include "configuration/configuration_record.h"
#include "configuration/file_choice.h"
#include "configuration/setup1.h"
#include "gps_tracking.h"
#include "gpx_track.h"
#include "location_table/setup2.h"
#include "operation.h"
#include "position_log_upload.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

BatchRun::BatchRun(GPStracking &window, BatchMessages &messages, Options options, QObject *parent)
    : QObject(parent), m_window(window), m_messages(messages), m_options(std::move(options))
{
    m_messages.setMeaning([this](const QString &prompt, const QString &title, MessageIcon icon) {
        return meaningOf(prompt, title, icon);
    });
    m_window.engine().context().portIndex = m_options.portNumber - 1;
    applyPassword();
}

BatchStatus BatchRun::run(const QList<BatchStep> &steps)
{
    for (const BatchStep &step : steps) {
        if (m_stopRequested)
            return BatchStatus::Stopped;
        const BatchStatus status = runStep(step);
        if (status != BatchStatus::Success)
            return status;
    }
    return m_stopRequested ? BatchStatus::Stopped : BatchStatus::Success;
}

BatchStatus BatchRun::runStep(const BatchStep &step)
{
    Setup1 *configuration = m_window.setup1();
    Setup2 *table = m_window.setup2();
    BatchStatus status = BatchStatus::Success;
    switch (step.kind) {
    case BatchStep::Kind::DownloadConfiguration:
        status = loadFile(configuration, step.file);
        return status == BatchStatus::Success ? operate("Command1") : status;
    case BatchStep::Kind::UploadConfiguration:
        status = operate("Command7");
        return status == BatchStatus::Success ? saveFile(configuration, step.file) : status;
    case BatchStep::Kind::UploadPositions:
        return reportPositionLog(operate("Command10"));
    case BatchStep::Kind::DownloadTable:
        status = loadFile(table, step.file);
        return status == BatchStatus::Success ? operate("Command14") : status;
    case BatchStep::Kind::UploadTable:
        status = operate("Command13");
        return status == BatchStatus::Success ? saveFile(table, step.file) : status;
    case BatchStep::Kind::Check:
        status = loadFile(configuration, step.file);
        return status == BatchStatus::Success ? check() : status;
    }
    return BatchStatus::Failure;
}

QPushButton *BatchRun::button(QWidget *parent, const char *name) const
{
    // The menu's buttons are its own children; the screens (children of the menu too) have
    // buttons of the same names.
    const Qt::FindChildOptions depth =
        parent == &m_window ? Qt::FindDirectChildrenOnly : Qt::FindChildrenRecursively;
    return parent->findChild<QPushButton *>(QString::fromLatin1(name), depth);
}

BatchStatus BatchRun::click(QWidget *parent, const char *name, Stage stage)
{
    QPushButton *target = button(parent, name);
    if (!target)
        return BatchStatus::Failure;
    m_stage = stage;
    m_messages.reset();
    target->click();
    return m_messages.firstFailure();
}

// Text1 of the screen's file choice, then Load (Command1 on both screens).
BatchStatus BatchRun::loadFile(QWidget *screen, const QString &path)
{
    FileChoice &choice = screen == m_window.setup1() ? m_window.setup1()->fileChoice()
                                                     : m_window.setup2()->fileChoice();
    choice.pathText()->setText(path);
    const BatchStatus status = click(screen, "Command1", Stage::File);
    applyPassword();
    return status;
}

// Text1, then Save (Command4 on both screens).
BatchStatus BatchRun::saveFile(QWidget *screen, const QString &path)
{
    FileChoice &choice = screen == m_window.setup1() ? m_window.setup1()->fileChoice()
                                                     : m_window.setup2()->fileChoice();
    choice.pathText()->setText(path);
    return click(screen, "Command4", Stage::File);
}

// "Click here to Check if configuration is valid": every failed test is one line.
BatchStatus BatchRun::check()
{
    return click(m_window.setup1(), "Command5", Stage::Check);
}

BatchStatus BatchRun::operate(const char *menuButton)
{
    // The connect time-out does what a user would: click "Trying to Connect - Click this button
    // to EXIT !" while it is still shown.
    m_timedOut = false;
    QTimer connectLimit;
    connectLimit.setSingleShot(true);
    connect(&connectLimit, &QTimer::timeout, this, [this] {
        QPushButton *connecting = button(&m_window, "Command5");
        if (connecting && !connecting->isHidden()) {
            m_timedOut = true;
            connecting->click();
        }
    });
    if (m_options.connectTimeoutSeconds > 0)
        connectLimit.start(m_options.connectTimeoutSeconds * 1000);

    const BatchStatus status = click(&m_window, menuButton, Stage::Operation);
    connectLimit.stop();
    if (status != BatchStatus::Success)
        return status;
    // A run ended without a message was ended from here.
    if (m_messages.shownCount() == 0) {
        if (m_timedOut) {
            ConsoleLines::writeError(QStringLiteral("The unit did not answer within %1 s.")
                                         .arg(m_options.connectTimeoutSeconds));
            return BatchStatus::NoAnswer;
        }
        return m_stopRequested ? BatchStatus::Stopped : BatchStatus::Failure;
    }
    return BatchStatus::Success;
}

// The CSV file keeps the positions read, after a failure too: its name is printed either way.
BatchStatus BatchRun::reportPositionLog(BatchStatus status)
{
    const auto *upload = dynamic_cast<const PositionLogUpload *>(
        m_window.engine().phases().find(Operation::uploadLocations));
    if (upload && !upload->logFileName().isEmpty() && QFileInfo::exists(upload->logFileName()) &&
        (status == BatchStatus::Success || status == BatchStatus::TransferFailed)) {
        ConsoleLines::write(QDir::toNativeSeparators(upload->logFileName()));
        // The track of the records received, after a failed upload too (none for no record).
        if (m_options.gpxTrack && QFileInfo(upload->logFileName()).size() > 0) {
            const auto track = GpxTrack::convert(upload->logFileName(),
                                                 GpxTrack::besideName(upload->logFileName()));
            if (status == BatchStatus::Success)
                status = BatchStatus(int(track));
        }
    }
    return status;
}

BatchStatus BatchRun::meaningOf(const QString &prompt, const QString &title, MessageIcon icon) const
{
    const bool critical = icon == MessageIcon::Critical;
    switch (m_stage) {
    case Stage::File:
        return critical ? BatchStatus::FileError : BatchStatus::Success;
    case Stage::Check:
        return critical ? BatchStatus::InvalidConfiguration : BatchStatus::Success;
    case Stage::Operation:
        break;
    }
    // Before the engine runs, only the checks of what is to be sent can speak.
    if (!m_window.engine().isRunning())
        return critical ? BatchStatus::InvalidConfiguration : BatchStatus::Success;
    if (prompt == QLatin1String(OperationEngine::openFailurePrompt))
        return BatchStatus::PortNotAvailable;
    if (prompt == QLatin1String(OperationEngine::invalidPasswordPrompt) &&
        title == QLatin1String(OperationEngine::invalidPasswordTitle))
        return BatchStatus::InvalidPassword;
    return critical ? BatchStatus::TransferFailed : BatchStatus::Success;
}

void BatchRun::applyPassword()
{
    if (!m_options.password)
        return;
    for (const SettingDescriptor &setting : settingDescriptors()) {
        if (setting.text == &ConfigurationRecord::existingPassword)
            m_window.setup1()->writeText(setting.number, *m_options.password);
    }
}

void BatchRun::requestStop()
{
    m_stopRequested = true;
    // EXIT during a run: it ends at its next wait and closes the port.
    if (m_window.isRunning())
        button(&m_window, "Command3")->click();
}
