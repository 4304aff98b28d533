#pragma once

#include "operation_engine.h"
#include "status_display.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QWidget>

#include <functional>
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
// owns the serial port MSComm1, the one-second timer Timer1, the operation engine with its
// status display, and the configuration image.
class GPStracking : public QWidget, public StatusDisplay
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

    OperationEngine &engine() { return *m_engine; }
    TickClock &clock() { return m_clock; }
    SerialPort &port() { return *m_services.port; }
    MessageBoxes &messages() { return *m_services.messages; }
    HelpViewer *helpViewer() const { return m_services.help; }
    Setup1 *setup1() const { return m_setup1; }
    Setup2 *setup2() const { return m_setup2; }
    Setup3 *setup3() const { return m_setup3; }

    // The 256-byte image that operation 1 sends and operation 0 fills.
    QByteArray &configurationImage() { return m_configurationImage; }

    int portIndex() const;
    int operationCode() const;
    bool isRunning() const;

    // Sets operationCode and calls runOperation, as the menu buttons do. Does nothing while a
    // run is in progress.
    void startOperation(int code);

    // Run by Command1 before operation 1: checks the settings and builds the configuration
    // image, showing its own message when that fails (false starts nothing).
    void setConfigurationImageBuilder(std::function<bool()> builder);
    // Run by startOperation(code) before anything else: false starts nothing (the check shows
    // its own message).
    void setOperationPreCheck(int code, std::function<bool()> check);

    void setStatusVisible(StatusItem item, bool visible) override;
    void setStatusText(StatusItem item, const QString &text) override;
    // progressBar, just below the status buttons: shown with the first value of a transfer,
    // redrawn a few times a second at most, hidden when the transfer ends.
    void setProgress(int value, int maximum) override;
    void hideProgress() override;

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
    void exitProgram();
    void setMenuEnabled(bool enabled);
    void showPendingProgress();

    Services m_services;
    TickClock m_clock;
    std::unique_ptr<OperationEngine> m_engine;
    Setup1 *m_setup1;
    Setup2 *m_setup2;
    Setup3 *m_setup3;
    QByteArray m_configurationImage;
    std::function<bool()> m_imageBuilder;
    std::map<int, std::function<bool()>> m_preChecks;
    std::map<StatusItem, QWidget *> m_statusItems;
    QList<QPushButton *> m_menuButtons; // start operations or open screens
    QLabel *m_portLabel = nullptr;
    QListWidget *m_portList = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QTimer *m_progressFlush = nullptr; // shows a value that no later one has replaced
    QElapsedTimer m_progressShown;
    int m_progressValue = 0;
    int m_progressMaximum = 0;
    bool m_exitPending = false;
    bool m_exiting = false;
};
