#pragma once
// Deleting a folder with everything in it, without ever leaving it.
#include <string>

namespace tarven {

// Deletes the folder at `full_path` (plain, full and normalised) with everything inside: files,
// nested folders, the folder itself last. Links and junctions are deleted as themselves, never
// followed, also where one is swapped in while the removal runs. Goes on after a failure so that
// one call takes away all it can; true when everything went.
bool delete_folder_tree(const std::wstring& full_path);

}  // namespace tarven
