#pragma once

#include "platform/app/ProcessStart.h"

#include <string>

// The program entry. It prepares what the base library needs before anything else runs (the
// locale, the new-handler, the start-up tables, the image plug-ins), builds and publishes the
// application object, runs the host's AppMain and takes the same state down again in reverse.
// The executable's main fills the hooks (StartupHooks.h) and calls startupMain.
//
// Returns AppMain's exit code; 1 when the application object cannot be initialised, when no
// AppMain hook is set, or when an exception leaves AppMain.
int WinMain(platform::InstanceHandle instance, platform::InstanceHandle previous,
            const char* commandLine, int showCommand);

// WinMain with the process's instance, the normal show command and the command line made from
// argv by startupCommandLine.
int startupMain(int argc, char** argv);

// argv[1] onwards, converted from UTF-8 to code page 932 and joined into one command line that
// dbtl::DApplication::_ParseCommandLine splits back into the same arguments. The command-line
// syntax cannot express an empty argument; empty arguments are left out.
std::string startupCommandLine(int argc, const char* const* argv);
