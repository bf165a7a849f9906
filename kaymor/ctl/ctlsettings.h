#pragma once
// kaymorctl's settings and clock commands, over the unit-settings session.
#include "ctlargs.h"
#include "ctloutput.h"

namespace zam::ctl {

Exit SettingsGet(const Invocation& inv, const Output& out);
Exit SettingsSet(const Invocation& inv, const Output& out);
Exit SettingsDiff(const Invocation& inv, const Output& out);
Exit ClockSync(const Invocation& inv, const Output& out);

}  // namespace zam::ctl
