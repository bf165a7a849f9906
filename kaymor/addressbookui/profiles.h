#pragma once
// Network-settings profiles in Profile.dat: one line a profile,
// "ip,mask,gateway,ethernet,dhcp", ended by CR LF; its name is its address.
// frmOptions::ProfileAction (profiles.cpp) works the file and the tab.
#include <QString>
#include <QStringList>

namespace zam {

// Actions of frmOptions::ProfileAction. AddProfile of an address that has a
// profile already replaces that profile's line in place.
enum ProfileActionCode : qint16 { AddProfile = 1, DeleteProfile = 2, ApplyProfile = 3, ListProfiles = 4 };

// Profile.dat in the program's data folder (the debug log's folder), or in
// the folder set here (tests); an empty folder restores the default.
QString ProfileFilePath();
void SetProfileFolder(const QString& folder);

// The text before the first ",", trimmed; empty for a line without ",".
QString ProfileName(const QString& line);

// Every non-empty line, trimmed, in file order; false when the file is
// missing or cannot be read.
bool ReadProfileLines(const QString& path, QStringList* lines);
// Replaces the file by these lines. The new text goes to a new file that is
// renamed over the old one, so a crash never leaves a truncated file.
bool WriteProfileLines(const QString& path, const QStringList& lines);
// Adds one line at the end (the file is created when missing), the same way.
bool AppendProfileLine(const QString& path, const QString& line);

}  // namespace zam
