#pragma once

class GPStracking;

// Installs the phase of every operation that has one into the main window's engine. Each
// operation's exchange adds its line here.
void installOperationPhases(GPStracking &window);
