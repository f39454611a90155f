#pragma once

// Program folders and data files that earlier generations of the client left.

namespace zu {

// Deletes, each with everything in it: the current product's program folder
// and those of generations 5, 4 and 3 in the native Program Files folder,
// those of generations 4, 3 and 2 in the 32-bit Program Files folder, and the
// data files and data subfolders of earlier generations in the client's data
// folder below ProgramData (the data folder itself stays, with every file
// that is not listed and does not end in ".xml"). "\Koru\ZEMI Update Common"
// and the maker's folder "Koru" stay.
//
// Best effort and silent: a folder that cannot be resolved is skipped, a file
// that cannot be deleted stays and so does its folder. Junctions and symbolic
// links are never followed: what lies behind one stays.
void RemoveLegacyProgramFolders();

}  // namespace zu
