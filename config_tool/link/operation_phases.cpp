#include "operation_phases.h"

#include "gps_tracking.h"

void installOperationPhases(GPStracking &window)
{
    // window.engine().phases().add(Operation::uploadLocations, std::make_unique<...>(window));
    (void)window;
}
