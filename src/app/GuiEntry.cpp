#include "app/PacemarkApp.h"

using namespace pacemark;

// The entry the launcher looks up after loading this module: everything but the status line.
extern "C" __attribute__((visibility("default"))) int pacemark_gui_main(int argc, char** argv)
{
    return PacemarkApp::main(argc, argv);
}
