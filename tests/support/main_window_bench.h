#pragma once

#include "recording_fakes.h"
#include "simulated_serial_port.h"
#include "simulated_unit.h"
#include "windows/gps_tracking.h"

#include <QPushButton>
#include <QTimer>

#include <functional>

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
