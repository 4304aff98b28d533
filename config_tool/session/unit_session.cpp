#include "unit_session.h"

#include "configuration/configuration_transfer.h"
#include "link/operation.h"
#include "link/position_log_upload.h"
#include "location_table/table_download_phase.h"
#include "location_table/table_upload_phase.h"

UnitSession::UnitSession(SerialPort &port, int tickMs, QObject *parent)
    : QObject(parent), m_port(port), m_clock(tickMs), m_image(256, '\0'),
      m_engine(port, m_clock, *this, [this] { return m_configuration.record().existingPassword; })
{
    m_clock.setObjectName(QStringLiteral("Timer1"));
    m_port.setObjectName(QStringLiteral("MSComm1"));
    connect(&m_engine, &OperationEngine::finished, this, &UnitSession::finished);

    PhaseRegistry &phases = m_engine.phases();
    phases.add(Operation::uploadLocations, std::make_unique<PositionLogUpload>());
    phases.add(Operation::uploadLocationTable, std::make_unique<TableUploadPhase>(m_table));
    phases.add(Operation::downloadLocationTable, std::make_unique<TableDownloadPhase>(m_table));
    phases.add(Operation::downloadConfiguration,
               std::make_unique<ConfigurationDownloadPhase>(m_image));
    phases.add(Operation::uploadConfiguration,
               std::make_unique<ConfigurationUploadPhase>(m_image, m_configuration));
}

UnitSession::~UnitSession() = default;

QString UnitSession::positionLogFile() const
{
    // A test may put a phase of its own in place of the upload.
    const auto *upload =
        dynamic_cast<const PositionLogUpload *>(m_engine.phases().find(Operation::uploadLocations));
    return upload ? upload->logFileName() : QString();
}

int UnitSession::positionLogRecords() const
{
    const auto *upload =
        dynamic_cast<const PositionLogUpload *>(m_engine.phases().find(Operation::uploadLocations));
    return upload ? upload->recordCount() : 0;
}

bool UnitSession::start(int operationCode)
{
    if (m_engine.isRunning())
        return false;
    std::optional<UserMessage> refusal;
    if (operationCode == Operation::downloadConfiguration)
        refusal = buildConfigurationImage(m_configuration.record(), m_image);
    else if (operationCode == Operation::downloadLocationTable)
        refusal = TableDownloadPhase::refusal(m_table.cells());
    if (refusal) {
        emit finished({OperationOutcome::Result::Refused, refusal});
        return true;
    }
    m_engine.context().operationCode = operationCode;
    return m_engine.start();
}

void UnitSession::setStatusVisible(StatusItem item, bool visible)
{
    emit statusChanged(item, visible);
}

void UnitSession::setStatusText(StatusItem item, const QString &text)
{
    emit statusTextChanged(item, text);
}

void UnitSession::setProgress(int value, int maximum)
{
    emit progressChanged(value, maximum);
}

void UnitSession::hideProgress()
{
    emit progressEnded();
}
