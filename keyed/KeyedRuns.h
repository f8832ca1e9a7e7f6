#pragma once
// The key-coded runs on one printer: ask what it holds, store logos under keys, delete
// keys, print them. Every run that writes the printer's memory
// - refuses a graphic that does not fit the free room with kFitMargin to spare before
//   a byte of it is sent ("does not fit: needs N bytes, the printer has M free");
// - asks kMutualErasureText before the first key-coded store to the printer (per the
//   ledger), and asks once when the ledger counts more than kWearWritesPerDay writes
//   within 24 hours; a no ends the run as Declined before the next write;
// - after each write waits out the printer's busy time: it asks for the free room and
//   waits for the answer up to the busy limit (the printer takes nothing meanwhile). A
//   stop during this wait takes effect once the printer has finished, and the result
//   says so;
// - verifies at the end: reads the keys and the free room again; every key stored must
//   be there and every key deleted gone, else the run fails naming the key. A run
//   succeeds only when verified. The ledger then records what the printer holds.
//
// Thread-safety: each run on the thread that calls it (see RunContext).
#include <string>
#include <vector>

#include "download/NvImage.h"
#include "keyed/KeyedRaster.h"
#include "keyed/KeyedRun.h"
#include "keyed/Ledger.h"

namespace keyed {

// One logo for a key: its file and how it is converted.
struct KeyedLogo {
    std::string key;
    std::string path;
    NvConversion conversion;
};

// Capacity, free room and keys. NoAnswer with kNoAnswerText when the printer does not
// answer the first request.
RunResult AskMemory(RunContext& context);

// Stores every logo under its key, in order; a file that cannot be converted or a
// graphic that does not fit is refused (the others go on, the run then fails).
RunResult StoreLogos(RunContext& context, const std::vector<KeyedLogo>& logos, Ledger& ledger);

// Deletes the keys (each one the printer holds; a key it does not hold is skipped),
// or everything with all.
RunResult DeleteKeys(RunContext& context, const std::vector<std::string>& keys, bool all, Ledger& ledger);

// Prints the keys in order at FS p's print mode (0 normal, 1 double width, 2 double
// height, 3 quadruple). A key the printer does not hold is refused before anything is
// printed.
RunResult PrintKeys(RunContext& context, const std::vector<std::string>& keys, int printMode);

} // namespace keyed
