// The last backup and restore files the user entered, remembered between sessions in the program
// settings key of the registry.
#pragma once

namespace MSDE {

// Reads "Last Backup" and "Last Restore" into the module state; a missing or over-long value leaves
// its path as it was. Creates the key when it cannot be opened.
void LoadRememberedPaths();

// Writes both paths back; when the key cannot be opened for writing nothing is saved.
void SaveRememberedPaths();

} // namespace MSDE
