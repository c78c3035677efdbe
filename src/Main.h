#pragma once

class QApplication;

// Start-up: gives the shared state its initial values and opens the setup window.
// Returns when the program ends.
int Main(QApplication &app);
