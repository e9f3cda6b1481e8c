#pragma once

// The acquisition log of whichever screen records. One log file is open at a time in the
// whole program, so the state is the program's (VariabiliGlobali), stepped by the log timer.
enum class Acquisition { Stopped, StartRequested, Logging };
