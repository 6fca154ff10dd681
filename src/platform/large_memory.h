#pragma once

#include <cstddef>

// A large page is built out of hundreds of megabytes of fresh memory, most of
// it the toolkit's arrays of blocks and fragments, walked a step at a time.
// Backed by pages of 4 KiB, nearly every step of those walks misses the
// processor's table of recent pages; backed by huge pages (2 MiB), the same
// work takes a third less time. Where the system gives huge pages on request,
// the program asks for them, in process, for the large memory it makes.
namespace largememory {

// Asks for huge pages for a buffer of the program's own that is about to be
// filled: [p, p + n).
void preferHugePages(void* p, std::size_t n);

// Asks the same for every large anonymous mapping of the process: the
// toolkit's growing arrays among them, which keep the request as they grow.
// Called between the steps of long work; cheap when nothing is new.
void preferHugePagesWhereLarge();

} // namespace largememory
