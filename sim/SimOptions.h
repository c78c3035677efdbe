#pragma once

#include "Simulator.h"

#include <QStringList>

#include <optional>

// The command line of kvt450-sim.
namespace SimOptions {

// Reads the arguments into options. When the program is to end at once, returns its exit
// code: 0 after the help, 2 after a mistake, told on standard error.
[[nodiscard]] std::optional<int> read(const QStringList &args, Simulator::Options &options);
// The lines that tell the operator how the simulator is set up.
[[nodiscard]] QStringList summary(const Simulator::Options &options);

} // namespace SimOptions
