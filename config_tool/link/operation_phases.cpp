#include "operation_phases.h"

#include "configuration/configuration_transfer.h"
#include "gps_tracking.h"
#include "operation.h"
#include "position_log_upload.h"
#include "location_table/location_table_phases.h"

void installOperationPhases(GPStracking &window)
{
    window.engine().phases().add(Operation::uploadLocations, std::make_unique<PositionLogUpload>());
    installLocationTablePhases(window);
    installConfigurationTransfer(window); // operations 0 and 1, and Command1's image build
}
