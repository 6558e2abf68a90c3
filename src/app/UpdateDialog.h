#pragma once

#include "app/UpdateCheckResult.h"

namespace pacemark {

// The small window that tells the user how an update check went: up to date, a newer release with
// its notes and a way to its download page, or what went wrong.
namespace UpdateDialog {

// Opens a dialog that deletes itself when closed; needs a widget application.
void show(const UpdateCheckResult& result);

}

}
