// Test helpers for the definition loaders: an exact text dump of everything loading
// fills, and random definition text that exercises every grammar rule.
#pragma once

#include "core/records.h"

#include <cstdint>
#include <random>
#include <string>

namespace testing_support {

// Every record of `defs` as text, floats bit-exact, so that two loads compare equal
// exactly when they filled the same registries.
std::string dumpRegistries(const Registries& defs);
// The same for game.defs.
std::string dumpRegistries();
// What a load keeps beside the records: the loaded files and their hashes, the text
// budget spent, and the reference pass's pending parameters in order.
std::string dumpLoadState(const Registries& defs);

// Random raw file content built from the definition-file vocabulary, braces (joined to
// tokens or not), numbers, names, comments, tabs and line breaks.
std::string randomDefinitionText(std::mt19937& rng, size_t tokens);

}  // namespace testing_support
