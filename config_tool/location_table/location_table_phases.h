#pragma once

class GPStracking;

// Plugs the two table transfers into the main window's engine: operation 3 reads the unit's
// table into setup2's grid, operation 4 writes the grid into the unit after checking that every
// coordinate can be carried.
void installLocationTablePhases(GPStracking &window);
