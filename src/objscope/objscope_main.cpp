// objscope: the interactive viewer of a storage process's live objects.
#include "sdbg_application.h"
#include "sdbg_exception.h"
#include "sdbg_obj_type_registry.h"
#include "sdbg_os.h"
#include "sdbg_screen.h"
#include "sdbg_srv_obj_factory.h"

#include "mos_loader.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream> // the standard streams exist before the application is built
#include <memory>

namespace {

// The one application object, built during static initialisation so the
// devices are open and the title is set before main runs. A console that
// cannot be set up is reported on standard error and ends the program.
std::unique_ptr<Sdbg_Application> MakeApplication() {
    try {
        return std::make_unique<Sdbg_Application>();
    } catch (const Sdbg_Exception &failure) {
        std::fprintf(stderr, "Error setting up the console: %s\n", failure.GetText());
        std::exit(1);
    }
}

std::unique_ptr<Sdbg_Application> pApp_G = MakeApplication();

} // namespace

int main(int argc, char **argv) {
    // The runtime starts with all its defaults: no configuration file, no
    // trace or log files, no debug-port server.
    if (Sdbg_ReportRuntimeStart(mos_Init(nullptr)) != 0) {
        return 1;
    }
    try {
        SdbgOs_Init();
    } catch (const Sdbg_Exception &failure) {
        std::fprintf(stderr, "Error installing the console control handler: %s\n",
                     failure.GetText());
        return 1;
    }
    Sdbg_ObjTypeRegistry::Init();
    Sdbg_SetSrvObjFactory(CreateSrvObj);
    try {
        return pApp_G->Run(argc, argv);
    } catch (const std::exception &failure) {
        // Outside the viewer's own failures (memory exhaustion in the
        // containers, say): report it and end through the normal exit, so
        // the console is put back by the application's destruction.
        std::fprintf(stderr, "objscope: %s\n", failure.what());
        return 1;
    }
}
