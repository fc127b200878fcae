#pragma once

#include <QString>

namespace wayline {

class TResources;
struct TBuildCodeResult;
struct TLoadResult;
struct TMemoryUse;
struct TSaveResult;

// The message boxes of the main window's commands, in the words of the
// language the resources speak. The cores say the same in English for the
// command line; these take only the facts from them.

// Why the program could not be generated.
QString BuildErrorText(const TBuildCodeResult& built, const TResources& resources);
// Why `file` was not opened, or not saved.
QString LoadErrorText(const TLoadResult& loaded, const QString& file, const TResources& resources);
QString SaveErrorText(const TSaveResult& saved, const QString& file, const TResources& resources);
// The lists do not fit the robot's memory: by how many bytes, and how
// many steps to remove.
QString ListsTooLargeText(const TMemoryUse& use, const TResources& resources);

} // namespace wayline
