#pragma once

#include "message_boxes.h"
#include "session/unit_session.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QWidget>

#include <map>

class HelpViewer;
class PortDeviceChoice;
class QLabel;
class QListWidget;
class QDialog;
class QProgressBar;
class QPushButton;
class QTimer;
class Setup1;
class Setup2;
class Setup3;

// The main menu "GPS Tracking configuration menu (V1.7 - VORT VOICE)-21-6-2005": opens the
// three editing screens, starts the five operations with the unit and chooses the COM port. It
// is the window face of its UnitSession: it shows the session's progress on the status buttons
// and the outcome of each run as its message box. The screens are built when first opened.
class GPStracking : public QWidget
{
    Q_OBJECT
public:
    struct Services
    {
        SerialPort *port = nullptr;       // MSComm1
        MessageBoxes *messages = nullptr; // every box of the program goes through it
        HelpViewer *help = nullptr;       // "info.txt"
        int tickMs = 1000;                // Timer1; shorter only in tests
        // The devices behind the COM entries; none: the port's own names, nothing to choose.
        PortDeviceChoice *devices = nullptr;
    };

    explicit GPStracking(const Services &services, QWidget *parent = nullptr);
    ~GPStracking() override;

    UnitSession &session() { return m_session; }
    OperationEngine &engine() { return m_session.engine(); }
    TickClock &clock() { return m_session.clock(); }
    SerialPort &port() { return *m_services.port; }
    MessageBoxes &messages() { return *m_services.messages; }
    HelpViewer *helpViewer() const { return m_services.help; }
    // The screens, built on first use.
    Setup1 *setup1();
    Setup2 *setup2();
    Setup3 *setup3();

    // The 256-byte image that operation 1 sends and operation 0 fills.
    QByteArray &configurationImage() { return m_session.configurationImage(); }

    int portIndex() const;
    int operationCode() const;
    bool isRunning() const;

    // Starts the operation as the menu buttons do and returns; the run's box shows when it
    // ends. Does nothing while a run is in progress.
    void startOperation(int code);

    void setStatusVisible(StatusItem item, bool visible);
    void setStatusText(StatusItem item, const QString &text);
    // progressBar, just below the status buttons: shown with the first value of a transfer,
    // redrawn a few times a second at most, hidden when the transfer ends.
    void setProgress(int value, int maximum);
    void hideProgress();

    // A length in twips as pixels at the given dots per inch (1440 twips to the inch).
    static int twipsToPixels(int twips, int dpi);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    QPushButton *menuButton(const char *name, const char *caption, int left, int top,
                            const QColor &colour);
    QRect twips(int left, int top, int width, int height) const;
    void formLoad();
    void showPortList();
    void choosePort(int index);
    void chooseDevice();
    void showPortDevices();
    void openScreen(QDialog *screen);
    void prepareScreen(QDialog *screen);
    void exitProgram();
    void operationFinished(const OperationOutcome &outcome);
    void setMenuEnabled(bool enabled);
    void showPendingProgress();

    Services m_services;
    UnitSession m_session;
    Setup1 *m_configurationScreen = nullptr; // setup1
    Setup2 *m_tableScreen = nullptr;         // setup2, the GPS location table
    Setup3 *m_voiceScreen = nullptr;         // setup3, voice and ADC
    std::map<StatusItem, QWidget *> m_statusItems;
    QList<QPushButton *> m_menuButtons; // start operations or open screens
    QLabel *m_portLabel = nullptr;
    QListWidget *m_portList = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QTimer *m_progressFlush = nullptr; // shows a value that no later one has replaced
    QElapsedTimer m_progressShown;
    int m_progressValue = 0;
    int m_progressMaximum = 0;
    bool m_exiting = false;
};
