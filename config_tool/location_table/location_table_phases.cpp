#include "location_table_phases.h"

#include "link/gps_tracking.h"
#include "link/operation.h"
#include "setup2.h"
#include "table_download_phase.h"
#include "table_upload_phase.h"

void installLocationTablePhases(GPStracking &window)
{
    Setup2 &grid = *window.setup2();
    window.engine().phases().add(Operation::uploadLocationTable,
                                 std::make_unique<TableUploadPhase>(grid));
    window.engine().phases().add(Operation::downloadLocationTable,
                                 std::make_unique<TableDownloadPhase>(grid));
    window.setOperationPreCheck(Operation::downloadLocationTable, [&window, &grid] {
        return TableDownloadPhase::mayStart(grid.cells(), window.messages());
    });
}
