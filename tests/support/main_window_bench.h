#pragma once

#include "recording_fakes.h"
#include "simulated_serial_port.h"
#include "simulated_unit.h"
#include "windows/gps_tracking.h"

#include <QPushButton>
#include <QTimer>

#include <functional>
#include <optional>

// Waits, turning the event loop, until the session's run has ended (at once when none runs).
// False when it still runs after timeoutMs.
bool awaitRunEnd(UnitSession &session, int timeoutMs = 30000);
// Starts the operation and waits for its end: its outcome, or none when it did not start or
// did not end within timeoutMs.
std::optional<OperationOutcome> runToEnd(UnitSession &session, int code, int timeoutMs = 60000);

// The main window of vortsetup with a simulated unit behind COM1, recording message boxes and
// help viewer, and a short tick.
struct MainWindowBench
{
    static constexpr int tickMs = 60;

    explicit MainWindowBench(int tick = tickMs) : window({&port, &boxes, &help, tick})
    {
        port.attach(1, &unit);
    }

    // A control of the main window (or anywhere on a screen) by its name. The screens are
    // children of the main window and have controls of the same names.
    template <typename T = QWidget> T *control(const char *name, QWidget *parent = nullptr)
    {
        const auto depth = parent ? Qt::FindChildrenRecursively : Qt::FindDirectChildrenOnly;
        return (parent ? parent : &window)->template findChild<T *>(QLatin1String(name), depth);
    }
    QPushButton *button(const char *name, QWidget *parent = nullptr)
    {
        return control<QPushButton>(name, parent);
    }

    // Waits until the run started by a click has ended.
    bool awaitRun(int timeoutMs = 30000) { return awaitRunEnd(window.session(), timeoutMs); }
    // Starts the operation as its menu button does and waits for its end.
    bool run(int code)
    {
        window.startOperation(code);
        return awaitRun();
    }

    // Runs check() each pass of the event loop while a click is being handled, until it returns
    // true; ends any run that is still going after timeoutMs so a broken test cannot hang.
    void whileRunning(const std::function<bool()> &check, int timeoutMs = 10000);

    SimulatedUnit unit;
    SimulatedSerialPort port;
    RecordingMessageBoxes boxes;
    RecordingHelpViewer help;
    GPStracking window;
    bool timedOut = false;
};
