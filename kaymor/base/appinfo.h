#pragma once
// Program title and version texts.
#include <QString>

namespace zam {

// Window caption, message-box caption and the settings store's name.
inline constexpr auto kProgramTitle = "Vantrel";

// "1.01.1004" with the revision, "1.01" without.
QString VersionText(bool withRevision);

}  // namespace zam
