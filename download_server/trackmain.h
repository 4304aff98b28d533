#pragma once

#include "remote_download.h"

#include "common/store/fleet_store.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class DatagramSocket;
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
// base folder, the two chosen files, Start/Stop and the activity list List1.
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

    void setHostPortClicked(); // Command4
    void startClicked();       // Command1
    void stopClicked();        // Command2
    void helpClicked();        // Command3
    void exitClicked();        // Command6
    void drive1Changed(const QString &drive);
    void drive2Changed(const QString &drive);
    void pointDir1At(const QString &folder);
    void file2Clicked(const QString &name);
    void setListeningButtons(bool listening);
    void refreshTransfers();

    // DownloadConsole
    void addActivity(const QString &line) override;
    void logLine(const QString &text) override;
    QString operatingSystemBaseFolder() const override;
    QString configurationFilePath() const override;
    QString gpsTableFilePath() const override;
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

    QPushButton *m_command4;
    QLabel *m_label2;
    QLineEdit *m_txtport;
    QLabel *m_label4;
    QComboBox *m_combo1;
    QLabel *m_label6;
    QComboBox *m_drive2;
    QListWidget *m_dir1;
    QListWidget *m_file2;
    QLabel *m_label3;
    QLabel *m_label7;
    QComboBox *m_drive1;
    QLineEdit *m_text1;
    QLabel *m_label5;
    QLabel *m_label8;
    QLabel *m_label9;
    QListWidget *m_file1;
    QLabel *m_label1;
    ActivityList *m_list1;
    QLabel *m_packetProgress; // "Packet 3 of 6" during a transfer
    QLabel *m_transfersLabel;
    QTreeWidget *m_transfers; // the transfers in progress, refreshed a few times a second
    QTimer *m_transfersRefresh;
    QPushButton *m_command1;
    QPushButton *m_command2;
    QPushButton *m_command3;
    QPushButton *m_command6;
    QString m_dir1Folder;
};
