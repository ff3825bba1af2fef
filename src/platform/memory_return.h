#pragma once

namespace tolvane {

// Makes freed memory go back to the system promptly. glibc raises its threshold for serving large blocks from
// their own mappings each time such a block is freed, up to 32 MiB; after a reply or a long line of a few
// MiB, later blocks of that size come from the heap and its freed pages stay with the process. Fixed
// thresholds keep large blocks in mappings returned on free and trim the heap's free top. Call once, first
// thing in main(); does nothing where the C library has no such settings.
void returnFreedMemoryPromptly();

// Gives the heap's free pages back to the system now, also those between blocks still in use (the free
// top alone is given back on every free). Worth its cost after work that grew large blocks piece by piece;
// does nothing where the C library cannot.
void returnFreeHeapPages();

} // namespace tolvane
