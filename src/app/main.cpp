#include "app/BurrowbitApp.h"

int main(int argc, char** argv)
{
    return BurrowbitApp::main(argc, argv);
}
