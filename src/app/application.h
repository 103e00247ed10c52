#pragma once

namespace vorlith::app {

/// Runs the program: creates the windows, acts on the launch parameters and
/// returns the exit code when the main window has closed.
int run(int argc, char **argv);

} // namespace vorlith::app
