#pragma once
// What the program's logic reaches of its platform, one small interface a concern.
#include "runtime/clock.h"
#include "runtime/dialogs.h"
#include "runtime/event_pump.h"
#include "runtime/file_system.h"
#include "runtime/log.h"
#include "runtime/shell.h"
#include "runtime/toolkit_libraries.h"
#include "runtime/unzip_library.h"

namespace runtime {

struct Os {
    Dialogs& dialogs;
    EventPump& events;
    FileSystem& files;
    Shell& shell;
    Clock& clock;
    UnzipLibrary& unzip;
    ToolkitLibraries& toolkits;
    /// Where the run records what it does; a run without /log records nothing.
    Log& log = null_log();
};

}  // namespace runtime
