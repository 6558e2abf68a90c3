#pragma once

#include <QString>

namespace pacemark {

// Where the running application listens for a later start and for the status line: the user's
// runtime folder, else a folder of the user's own in the shared temporary folder.
class InstanceSocket
{
public:
    // $XDG_RUNTIME_DIR when it is set and absolute, else <temp>/pacemark-runtime-<uid>. Named whether
    // it exists or not.
    static QString folder();
    static QString path();
};

}
