#pragma once

#include "remote_download.h"

#include "common/store/fleet_store.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class DatagramSocket;
class ElidedPathEdit;
class HelpViewer;
class QComboBox;
class QLabel;
class QLineEdit;
class ActivityList;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeWidget;
class TickClock;

struct TrackMainOptions
{
    int tickIntervalMs = 1000;
    int sessions = 1;       // units served at once
    bool reusePort = false; // share the port with other Server processes
    ServerImageSource images;
    HelpViewer *helpViewer = nullptr; // the system's text viewer when null
    StoreSettings store = {};         // --store: where the transfers are recorded
};

// The server console "Tracking System Remote download V1.3 - 16-5-2005": port, operating system
// base folder, the two chosen files, Start/Stop and the activity list List1. The choices go to
// the exchange's ServerSettings; the labels show them.
class TrackMain : public QWidget, private DownloadConsole
{
    Q_OBJECT
public:
    explicit TrackMain(TrackMainOptions options = {}, QWidget *parent = nullptr);
    ~TrackMain() override;

    // A whole number from 1 to 65535, blanks around it allowed.
    static std::optional<quint16> portNumber(const QString &text);

    // Folders offered by the drive lists: the drives where the platform has them, else the
    // working directory, the home folder and the root (the lists are editable there).
    static QStringList driveFolders();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void place(QWidget *widget, int left, int top, int width, int height);
    void load();

    void setHostPortClicked();
    void startClicked();
    void stopClicked();
    void helpClicked();
    void exitClicked();
    void listeningEnded();
    void baseDriveChanged(const QString &drive);
    void choiceDriveChanged(const QString &drive);
    void showChoiceFolder(const QString &folder);
    void choiceFileClicked(const QString &name);
    void setListeningButtons(bool listening);
    // Label5 and Label9 follow the files served.
    void showServed();
    void refreshTransfers();

    // DownloadConsole
    void addActivity(const QString &line) override;
    void logLine(const QString &text) override;
    void showOperatingSystemFolder(const QString &folder) override;
    void showPacketProgress(int number, int count) override;
    void clearPacketProgress() override;

    static constexpr int activityLimit = 300;
    static constexpr int transferRowLimit = 100;

    std::unique_ptr<HelpViewer> m_ownHelpViewer;
    HelpViewer *m_helpViewer;
    TickClock *m_clock;
    DatagramSocket *m_socket;
    RemoteDownload *m_download;

    // Each control's objectName is its name on the form, given here after the member.
    QPushButton *m_setPort;              // Command4 "&Set host/port"
    QLabel *m_portLabel;                 // Label2
    QLineEdit *m_port;                   // txtport
    QLabel *m_updateKindLabel;           // Label4
    QComboBox *m_updateKind;             // Combo1: which file a click in File2 chooses
    QLabel *m_versionsNote;              // Label6
    QComboBox *m_choiceDrive;            // Drive2
    QListWidget *m_choiceFolders;        // Dir1
    QListWidget *m_choiceFiles;          // File2
    QLabel *m_baseDriveLabel;            // Label3
    QLabel *m_configurationLabel;        // Label7
    QComboBox *m_baseDrive;              // Drive1: the operating system folders' base
    ElidedPathEdit *m_baseFolder;        // Text1
    QLabel *m_configurationFile;         // Label5
    QLabel *m_gpsTableLabel;             // Label8
    QLabel *m_gpsTableFile;              // Label9
    QListWidget *m_operatingSystemFiles; // File1
    QLabel *m_activityLabel;             // Label1
    ActivityList *m_activity;            // List1
    QLabel *m_packetProgress;            // "Packet 3 of 6" during a transfer
    QLabel *m_transfersLabel;
    QTreeWidget *m_transfers; // the transfers in progress, refreshed a few times a second
    QTimer *m_transfersRefresh;
    QPushButton *m_start; // Command1
    QPushButton *m_stop;  // Command2
    QPushButton *m_help;  // Command3
    QPushButton *m_exit;  // Command6
    QString m_choiceFolder;
};
