#include "operation_phases.h"

#include "configuration/configuration_transfer.h"
#include "gps_tracking.h"

void installOperationPhases(GPStracking &window)
{
    // window.engine().phases().add(Operation::uploadLocations, std::make_unique<...>(window));
    installConfigurationTransfer(window); // operations 0 and 1, and Command1's image build
}
