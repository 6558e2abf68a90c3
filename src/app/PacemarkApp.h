#pragma once

namespace pacemark {

// The application entry: reads the command line and runs either the headless report or the
// application itself through its delegate.
class PacemarkApp
{
public:
    static int main(int argc, char** argv);
};

}
