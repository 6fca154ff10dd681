#pragma once

// A long page is built out of many megabytes of fresh memory. Touching it a
// small page at a time costs about a third of the time a large file takes to
// open; the allocator backs its large blocks with huge pages instead, but
// only when told so as the process starts.
namespace hugepages {

// Texts at hand (the store, the files named) from this size on make it worth
// starting the program once more, which costs some 20 ms.
constexpr long long WorthFrom = 4LL << 20;

// First thing in main: when the texts at hand are large and the system gives
// huge pages on request, starts the program again with the allocator told so
// and does not return. Returns when it did not, and in the program so
// started, where it gives back the environment the program was started with:
// the programs it starts see that one.
void preferForLargeTexts(char* argv[]);

} // namespace hugepages
