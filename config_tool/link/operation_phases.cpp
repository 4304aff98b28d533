#include "operation_phases.h"

#include "gps_tracking.h"
#include "operation.h"
#include "position_log_upload.h"

void installOperationPhases(GPStracking &window)
{
    // window.engine().phases().add(Operation::uploadLocations, std::make_unique<...>(window));
    (void)window;
    window.engine().phases().add(Operation::uploadLocations, std::make_unique<PositionLogUpload>());
}
