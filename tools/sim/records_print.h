// The simulator's views of the records of the loaded level set: plain text and JSON.
#pragma once

#include <string>

// ---- records_print.cpp

// Per ship of the loaded level set its best scores in order (stage reached, date, whether
// the replay is kept), then the totals; `why` says the records could not be read.
std::string recordsText(const std::string& folder, std::string& why);
// The same as one JSON document: the level set, per ship its table, the totals.
std::string recordsJsonText(const std::string& folder, std::string& why);
