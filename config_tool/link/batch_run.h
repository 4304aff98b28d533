#pragma once

#include "batch_messages.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class GPStracking;
class QPushButton;
class QWidget;

// One operation of a batch run.
struct BatchStep
{
    enum class Kind {
        DownloadConfiguration, // load the file on setup1, then Command1
        UploadConfiguration,   // Command7, then save setup1 to the file
        UploadPositions,       // Command10; the CSV file's name is printed
        DownloadTable,         // load the file on setup2, then Command14
        UploadTable,           // Command13, then save setup2 to the file
        Check,                 // load the file on setup1, then its check
    };
    Kind kind;
    QString file;
};

// vortsetup without a window: the steps run one after the other on the main window and its
// screens, kept hidden, by the same buttons a user would click, so every step goes through the
// engine, phases, files and checks of the window. The first step that fails ends the run.
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

    BatchRun(GPStracking &window, BatchMessages &messages, Options options,
             QObject *parent = nullptr);

    BatchStatus run(const QList<BatchStep> &steps);

    // SIGINT or SIGTERM: a run in progress ends at its next wait (as EXIT), no further step.
    void requestStop();

private:
    enum class Stage { File, Check, Operation };

    BatchStatus runStep(const BatchStep &step);
    BatchStatus loadFile(QWidget *screen, const QString &path);
    BatchStatus saveFile(QWidget *screen, const QString &path);
    BatchStatus check();
    BatchStatus operate(const char *menuButton);
    BatchStatus reportPositionLog(BatchStatus status);
    BatchStatus click(QWidget *parent, const char *button, Stage stage);
    BatchStatus meaningOf(const QString &prompt, const QString &title, MessageIcon icon) const;
    void applyPassword();
    QPushButton *button(QWidget *parent, const char *name) const;

    GPStracking &m_window;
    BatchMessages &m_messages;
    Options m_options;
    Stage m_stage = Stage::File;
    bool m_stopRequested = false;
    bool m_timedOut = false;
};
