// quillfray-reference: prints docs/reference.md, the vocabulary reference, from the
// descriptions the game keeps beside its tables (defs/vocabulary_docs.h).
#include "defs/vocabulary_docs.h"

#include <cstdio>

int main() {
    const std::string page = vocabularyReference();
    std::fwrite(page.data(), 1, page.size(), stdout);
    return 0;
}
