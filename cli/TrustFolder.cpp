// Where fupdef finds its trusted keys. Built twice: the shipped fupdef reads only the system
// trust folder; the test build may be pointed at a sandbox folder of the tester's own files.
#include "Commands.h"

#include <cstdlib>
#include <iostream>

namespace fu::cli {

TrustStore cliTrustStore() {
#ifdef FUPDEF_TEST_TRUST_FOLDER_VARIABLE
    if (const char* folder = std::getenv(FUPDEF_TEST_TRUST_FOLDER_VARIABLE))
        return TrustStore::load(folder, true, std::cerr);
#endif
    return TrustStore::system();
}

} // namespace fu::cli
