#pragma once
// The commands of kaymorctl, each over the program's own layers.
#include "ctlargs.h"
#include "ctloutput.h"

namespace zam::ctl {

// --password when given.
std::optional<QString> PasswordOption(const Invocation& invocation);

// Runs the parsed command; the exit status of the program.
Exit Run(const Invocation& invocation, const Output& out);

}  // namespace zam::ctl
