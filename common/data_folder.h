#pragma once

#include <QString>

// The folder of the user's own data for the tool set (~/.local/share/vort on Linux), where a
// program started from the desktop menu works: its log and files land there, not in the home
// folder itself.
namespace DataFolder {

QString path();

// Creates the folder when missing and makes it the working directory; false when neither can
// be done.
bool enter();

} // namespace DataFolder
