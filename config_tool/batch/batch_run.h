#pragma once

#include "batch_messages.h"
#include "link/operation_engine.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class UnitSession;

// One operation of a batch run.
struct BatchStep
{
    enum class Kind {
        DownloadConfiguration, // load the configuration file, then operation 1
        UploadConfiguration,   // operation 0, then save the configuration file
        UploadPositions,       // operation 2; the CSV file's name is printed
        DownloadTable,         // load the table file, then operation 4
        UploadTable,           // operation 3, then save the table file
        Check,                 // load the configuration file, then check it
    };
    Kind kind;
    QString file;
};

// vortsetup without a window: the face of a UnitSession that runs the steps one after the
// other, prints the box of each outcome as a line and ends with the status of the first step
// that fails. While it wakes the unit it says so on standard error, with a dot each second.
class BatchRun : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        std::optional<QString> password; // replaces the existing password after every load
        int portNumber = 1;              // COM1
        // How long the unit may take to answer the wake-up; 0: as long as it takes.
        int connectTimeoutSeconds = 60;
        bool gpxTrack = false; // a GPX track beside each uploaded position log
    };

    BatchRun(UnitSession &session, Options options, QObject *parent = nullptr);

    // Runs the steps one after the other, from the event loop; finished() tells the status.
    void start(const QList<BatchStep> &steps);

    // SIGINT or SIGTERM: a run in progress ends at once (as EXIT), no further step.
    void requestStop();

signals:
    void finished(BatchStatus status);

private:
    void nextStep();
    void stepEnded(BatchStatus status);
    void runStep(const BatchStep &step);
    // Starts the operation; then() takes its status when it has ended and gives the step's.
    void operate(int operationCode, std::function<BatchStatus(BatchStatus)> then = {});
    void operationEnded(const OperationOutcome &outcome);
    BatchStatus loadConfiguration(const QString &path);
    BatchStatus loadTable(const QString &path);
    BatchStatus fileEnded(const FileOutcome &outcome);
    BatchStatus check();
    BatchStatus statusOf(const OperationOutcome &outcome) const;
    BatchStatus reportPositionLog(BatchStatus status);
    void applyPassword();
    void showWaking(bool waking);

    UnitSession &m_session;
    Options m_options;
    QList<BatchStep> m_steps;
    qsizetype m_nextStep = 0;
    std::function<BatchStatus(BatchStatus)> m_afterOperation;
    QTimer m_connectLimit;
    QTimer m_dots;
    bool m_waking = false;
    bool m_stopRequested = false;
    bool m_timedOut = false;
};
